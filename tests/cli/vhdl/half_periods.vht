-- A clock of 15 ns half periods (no whole number of 10 ns samples) for 300 edges, a strobe every
-- 35 ns inside it and a NOW-bounded loop: the edges must stay on their nearest samples.
LIBRARY ieee;
USE ieee.std_logic_1164.all;

ENTITY clk15_vhd_tst IS
END clk15_vhd_tst;
ARCHITECTURE clk15_arch OF clk15_vhd_tst IS
SIGNAL clk : STD_LOGIC;
SIGNAL stb : STD_LOGIC;
SIGNAL bus_in : STD_LOGIC_VECTOR(2 DOWNTO 0);
COMPONENT clk15
	PORT (
	clk : IN STD_LOGIC;
	stb : IN STD_LOGIC;
	bus_in : IN STD_LOGIC_VECTOR(2 DOWNTO 0)
	);
END COMPONENT;
BEGIN
t_prcs_clk: PROCESS
BEGIN
	FOR i IN 1 TO 150
	LOOP
		clk <= '0';
		WAIT FOR 15 ns;
		clk <= '1';
		WAIT FOR 15 ns;
	END LOOP;
WAIT;
END PROCESS t_prcs_clk;
t_prcs_stb: PROCESS
BEGIN
	stb <= '0';
	WAIT FOR 17 ns;
	FOR i IN 1 TO 60
	LOOP
		stb <= '1';
		WAIT FOR 12500 ps;
		stb <= '0';
		WAIT FOR 22500 ps;
	END LOOP;
	stb <= '1';
WAIT;
END PROCESS t_prcs_stb;
t_prcs_bus_in_2: PROCESS
BEGIN
	bus_in(2) <= '1';
	WAIT FOR 1234 ns;
	bus_in(2) <= '0';
WAIT;
END PROCESS t_prcs_bus_in_2;
t_prcs_bus_in_1: PROCESS
BEGIN
LOOP
	bus_in(1) <= '0';
	WAIT FOR 45 ns;
	bus_in(1) <= '1';
	WAIT FOR 25 ns;
	IF (NOW >= 3000 ns) THEN WAIT; END IF;
END LOOP;
END PROCESS t_prcs_bus_in_1;
t_prcs_bus_in_0: PROCESS
BEGIN
	bus_in(0) <= '0';
	WAIT FOR 4444 ns;
	bus_in(0) <= '1';
WAIT;
END PROCESS t_prcs_bus_in_0;
END clk15_arch;
