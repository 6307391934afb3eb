// The Driver port: the instrument driver's functions by their exported names, every argument and
// result 32 bits wide (pointers aside). The Win32 shell fills it from QvRun.dll; native tests fill
// it straight from the virtual instrument. Calls are also made in demo mode, with handle -1.
#pragma once

#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#define QV_DRIVER_CALL __stdcall
#else
#define QV_DRIVER_CALL
#endif

namespace qv {

using DeviceHandle = std::int32_t;
inline constexpr DeviceHandle noDevice = -1;

// Device list returned by qvFindDevice: 136 entries of 96 bytes; the program reads only these fields.
inline constexpr int deviceListEntries = 136;
inline constexpr int deviceEntryBytes = 96;
inline constexpr int deviceEntryFlagsOffset = 0;
inline constexpr std::uint32_t deviceEntryPresent = 0x100;
inline constexpr int deviceEntryNumberOffset = 44;
inline constexpr int deviceEntrySerialOffset = 64;
inline constexpr int deviceEntrySerialBytes = 32;

// Information codes of qvGetHwInfo / qvSetHwInfo.
inline constexpr std::uint32_t hwInfoModelCode = 0x96940004u;
inline constexpr std::uint32_t hwInfoOsHandle = 0x9694A002u;
inline constexpr std::uint32_t hwInfoDeviceRemoved = 0x96941007u;

// X(result, name, parameter list): the one list of driver exports, used for the function table,
// the loader and the virtual instrument's export list.
#define QV_DRIVER_FUNCTIONS(X)                                                                                         \
    X(std::uint8_t*, qvFindDevice, (void))                                                                             \
    X(std::int32_t, qvInterfaceName,                                                                                   \
      (std::int32_t handle, const std::uint8_t* entry, std::int32_t kind, char* buffer, std::int32_t bufferSize))      \
    X(std::int32_t, qvHasHw, (const std::uint8_t* entry))                                                              \
    X(std::int32_t, qvReset, (std::int32_t handle))                                                                    \
    X(std::int32_t, qvReadStatus,                                                                                      \
      (std::int32_t handle, std::int32_t * running, std::int32_t * word, std::int32_t * modelCode))                    \
    X(std::int32_t, qvAdjVolt, (std::int32_t handle, std::int32_t group, std::int32_t level))                          \
    X(std::int32_t, qvGetHwInfo, (std::int32_t handle, std::uint32_t code))                                            \
    X(std::int32_t, qvSetHwInfo, (std::int32_t zero, std::uint32_t code, std::int32_t value))                          \
    X(std::int32_t, qvCardType, (std::int32_t handle))                                                                 \
    X(std::int32_t, qvSetFreq,                                                                                         \
      (std::int32_t handle, std::int32_t frequency, std::int32_t mode, std::int32_t * out1, std::int32_t * out2,       \
       std::int32_t * out3, std::int32_t * out4, std::int32_t * out5, std::int32_t * out6))                            \
    X(std::int32_t, qvWriteData, (std::int32_t handle, const void* samples, std::int32_t count))                       \
    X(std::int32_t, qvEventSel, (std::int32_t handle, std::int32_t selection))                                         \
    X(std::int32_t, qvRun, (std::int32_t handle))                                                                      \
    X(std::int32_t, qvDataUnlatch, (std::int32_t handle, std::int32_t latch))                                          \
    X(std::int32_t, qvOutputEnable, (std::int32_t handle, std::int32_t enable))                                        \
    X(std::int32_t, qvKeyboardEvent, (std::int32_t handle))                                                            \
    X(std::int32_t, qvStop, (std::int32_t handle))                                                                     \
    X(std::int32_t, qvPowerDown, (std::int32_t handle))                                                                \
    X(std::int32_t, qvShutdown, (std::int32_t handle))                                                                 \
    X(std::int32_t, qvReadQVV,                                                                                         \
      (const char* path, void* samples, std::int32_t capacityBytes, void* labels, std::int32_t labelLimit,             \
       std::int32_t* frequencyAndMode))                                                                                \
    X(std::int32_t, uqvStartEx, (std::int32_t handle, const char* path, std::int32_t kind, std::int32_t zero))

namespace driver_types {
#define QV_DRIVER_TYPEDEF(result, name, params) using name = result(QV_DRIVER_CALL*) params;
QV_DRIVER_FUNCTIONS(QV_DRIVER_TYPEDEF)
#undef QV_DRIVER_TYPEDEF
} // namespace driver_types

// The function table. A null member means the function is not available.
struct Driver {
#define QV_DRIVER_MEMBER(result, name, params) driver_types::name name = nullptr;
    QV_DRIVER_FUNCTIONS(QV_DRIVER_MEMBER)
#undef QV_DRIVER_MEMBER
};

} // namespace qv
