ENTITY e IS END e;
t_prcs_a: PROCESS BEGIN a <= '1'; WAIT FOR 10 ns; WAIT; END PROCESS t_prcs_a;
