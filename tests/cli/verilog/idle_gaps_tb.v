// A clock and a counter, then idle gaps of 150,000 and 700,000 units (the second longer than one
// sequencer loop can hold), a burst in between, and two 8-bit buses (22 channels): a dump for the
// VCD import.
`timescale 10ns/10ns
module tb;
  reg clk = 0;
  reg [3:0] count = 0;
  reg en = 0;
  reg [7:0] data = 8'h00;
  reg [7:0] mask = 8'h81;
  initial begin
    $dumpfile("tb.vcd");
    $dumpvars(1, tb);
    repeat (20) begin #2 clk = 1; count = count + 1; #3 clk = 0; end
    en = 1; data = 8'hA5;
    #150000 data = 8'h3C; mask = 8'h7E;
    repeat (10) begin #1 clk = 1; #1 clk = 0; data = data + 1; end
    #700000 en = 0;
    #3 count = 4'hF;
    #7 $finish;
  end
endmodule
