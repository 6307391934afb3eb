// High-impedance stretches for the VCD import: a scalar and a vector floating after short plain
// runs, after long idle gaps (sequencer loops) and right after the start, each at least seven time
// units long and seven apart, so every output-enable edge can fall on its own time unit.
`timescale 10ns/10ns
module tb;
  reg a = 0;
  reg b = 0;
  reg [1:0] v = 2'b00;
  initial begin
    $dumpfile("tb.vcd");
    $dumpvars(1, tb);
    #8 a = 1'bz;
    #9 a = 1;
    repeat (5) begin #3 b = 1; #3 b = 0; end
    #10 a = 1'bz; b = 1;
    #20 a = 0;
    #500 v = 2'b1z;
    #12 v = 2'b10; a = 1;
    #7 a = 1'bz;
    #7 a = 0;
    #150000 v = 2'bzz;
    #8 v = 2'b01;
    #700000 a = 1'bz;
    #30 a = 1;
    #10 $finish;
  end
endmodule
