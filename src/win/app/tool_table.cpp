// The tools built into the program: one line per function id, with the tool's create function, or
// nullptr while the tool is not built. The main window's command table routes every id here.
#include "app/tool_registry.h"
#include "script/script_editor.h"
#include "waveedit/wave_editor.h"
#include "generators/spi_dialog.h"
#include "generators/counter_dialog.h"
#include "generators/printer_dialog.h"
#include "generators/binary_file_dialog.h"
#include "generators/uart_dialog.h"
#include "generators/i2c_dialog.h"
#include "generators/can_dialog.h"
#include "generators/lin_dialog.h"
#include "generators/hdq_dialog.h"
#include "generators/onewire_dialog.h"
#include "generators/encoder_dialog.h"
#include "generators/pwm_dialog.h"
#include "generators/smbus_dialog.h"
#include "generators/dmx512_dialog.h"
#include "generators/i2s_dialog.h"
#include "generators/usb_dialog.h"
#include "converters/batch_dialog.h"
#include "converters/import_dialog.h"
#include "converters/law_load.h"
#include "converters/text_vector_dialog.h"

#include <array>

namespace qv::win {
namespace {

constexpr ToolEntry tools[] = {
    {ID_TOOL_WAVE_EDITOR, openWaveEditor},
    {ID_TOOL_SCRIPT, openScriptEditor},
    {ID_TOOL_SYNC_COUNTER, openSyncCounterTool},
    {ID_TOOL_ASYNC_COUNTER, openAsyncCounterTool},
    {ID_TOOL_PRINTER, openPrinterTool},
    {ID_TOOL_RS232, openUartTool},
    {ID_TOOL_I2C, openI2cTool},
    {ID_TOOL_BINARY_FILE, openBinaryFileTool},
    {ID_TOOL_TEXT_FILE, openTextVectorTool},
    {ID_TOOL_LA_WAVEFORM, loadLaWaveform},
    {ID_TOOL_ALTERA, openTextVectorTool},
    {ID_TOOL_BATCH, openBatchTool},
    {ID_TOOL_SPI, openSpiTool},
    {ID_TOOL_VHDL, openImportTool},
    {ID_TOOL_LIN, openLinTool},
    {ID_TOOL_CAN, openCanTool},
    {ID_TOOL_HDQ, openHdqTool},
    {ID_TOOL_ONE_WIRE, openOneWireTool},
    {ID_TOOL_I2S, openI2sTool},
    {ID_TOOL_ENCODER, openEncoderTool},
    {ID_TOOL_USB, openUsbTool},
    {ID_TOOL_SMBUS, openSmbusTool},
    {ID_TOOL_PMBUS, openPmbusTool},
    {ID_TOOL_PWM, openPwmTool},
    {ID_TOOL_VCD, openImportTool},
    {ID_TOOL_DMX512, openDmx512Tool},
};
static_assert(std::size(tools) == lastToolId - firstToolId + 1, "one line per function id");

} // namespace

std::span<const ToolEntry> builtInTools() { return tools; }

} // namespace qv::win
