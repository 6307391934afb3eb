LIBRARY ieee;
USE ieee.std_logic_1164.all;
ENTITY counter_vhd_vec_tst IS
END counter_vhd_vec_tst;
ARCHITECTURE counter_arch OF counter_vhd_vec_tst IS
SIGNAL clk : STD_LOGIC;
SIGNAL d : STD_LOGIC_VECTOR(99999999999999999999 DOWNTO 0);
SIGNAL q : STD_LOGIC;
COMPONENT counter
	PORT (
	clk : IN STD_LOGIC;
	d : IN STD_LOGIC_VECTOR(99999999999999999999 DOWNTO 0);
	q : OUT STD_LOGIC -- a result, no stimulus
	);
END COMPONENT;
BEGIN
	i1 : counter
	PORT MAP (clk => clk, d => d, q => q);
-- clk
t_prcs_clk: PROCESS
BEGIN
	FOR i IN 1 TO 4
	LOOP
		clk <= '0';
		WAIT FOR 10000 ps;
		clk <= '1';
		WAIT FOR 10000 ps;
	END LOOP;
	clk <= '0';
WAIT;
END PROCESS t_prcs_clk;
-- d[1]
t_prcs_d_1: PROCESS
BEGIN
	d(1) <= '1';
	WAIT FOR 30000 ps;
	d(1) <= '0';
WAIT;
END PROCESS t_prcs_d_1;
-- d[0]
t_prcs_d_0: PROCESS
BEGIN
LOOP
	d(0) <= '0';
	WAIT FOR 20 ns;
	d(0) <= '1';
	WAIT FOR 20000 ps;
	IF (NOW >= 80000 ps) THEN WAIT; END IF;
END LOOP;
END PROCESS t_prcs_d_0;
END counter_arch;