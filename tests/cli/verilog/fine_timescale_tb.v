// A dump in 1 ns units: finer than a 100 MHz instrument's sample clock.
`timescale 1ns/1ns
module tb;
  reg a = 0;
  initial begin
    $dumpfile("tb.vcd");
    $dumpvars(1, tb);
    #10 a = 1;
    #20 a = 0;
    #10 $finish;
  end
endmodule
