-- An Altera-style test bench: ports en and wr_en (one name inside the other), processes that end
-- with a level assigned just before WAIT;, a counted clock and a two-bit vector.
LIBRARY ieee;
USE ieee.std_logic_1164.all;

ENTITY fifo_vhd_tst IS
END fifo_vhd_tst;
ARCHITECTURE fifo_arch OF fifo_vhd_tst IS
SIGNAL clk : STD_LOGIC;
SIGNAL d : STD_LOGIC_VECTOR(1 DOWNTO 0);
SIGNAL en : STD_LOGIC;
SIGNAL q : STD_LOGIC;
SIGNAL wr_en : STD_LOGIC;
COMPONENT fifo
	PORT (
	clk : IN STD_LOGIC;
	d : IN STD_LOGIC_VECTOR(1 DOWNTO 0);
	en : IN STD_LOGIC;
	q : OUT STD_LOGIC;
	wr_en : IN STD_LOGIC
	);
END COMPONENT;
BEGIN
-- wr_en
t_prcs_wr_en: PROCESS
BEGIN
	wr_en <= '0';
	WAIT FOR 40000 ps;
	wr_en <= '1';
	WAIT FOR 120000 ps;
	wr_en <= '0';
WAIT;
END PROCESS t_prcs_wr_en;
-- clk
t_prcs_clk: PROCESS
BEGIN
	FOR i IN 1 TO 30
	LOOP
		clk <= '0';
		WAIT FOR 10000 ps;
		clk <= '1';
		WAIT FOR 10000 ps;
	END LOOP;
	clk <= '0';
WAIT;
END PROCESS t_prcs_clk;
-- en
t_prcs_en: PROCESS
BEGIN
	en <= '0';
	WAIT FOR 70000 ps;
	en <= '1';
WAIT;
END PROCESS t_prcs_en;
-- d[1]
t_prcs_d_1: PROCESS
BEGIN
	d(1) <= '0';
	WAIT FOR 250000 ps;
	d(1) <= '1';
WAIT;
END PROCESS t_prcs_d_1;
-- d[0]
t_prcs_d_0: PROCESS
BEGIN
LOOP
	d(0) <= '0';
	WAIT FOR 30000 ps;
	d(0) <= '1';
	WAIT FOR 20000 ps;
	IF (NOW >= 400000 ps) THEN WAIT; END IF;
END LOOP;
END PROCESS t_prcs_d_0;
END fifo_arch;
