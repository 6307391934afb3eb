// Composing packet lines from the SMBus and PMBus tools' fields: the 21 SMBus protocols (quick
// command to block process call, with and without PEC) and the 10 PMBus ones (group commands and
// extended commands). The fields are checked before a line is written: an address above 7F, a
// command or extension above FF or a data item that is no hexadecimal byte would send bits the
// PEC does not cover. Every token of a line is followed by one blank.
#pragma once

#include "support/strings.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv::gen {

inline constexpr int smbusProtocolCount = 21;
inline constexpr int pmbusProtocolCount = 10;
inline constexpr int smbusMaxDataItems = 32;
inline constexpr unsigned smbusMaxAddress = 0x7F;
inline constexpr unsigned smbusMaxCommand = 0xFF;

// The combo texts, in combo order.
Msg smbusProtocolName(int protocol);
Msg pmbusProtocolName(int protocol);

// The fields an SMBus protocol uses: the command, the data edit, the read/write combo (Quick
// command only) and "Sr" (the process calls, whose write data is stored by "Sr").
struct SmbusProtocolUse {
    bool command = false, data = false, readWrite = false, repeatedStart = false;
    bool readOnly = false; // the combo shows "READ" (Receive byte), else "WRITE"
};
SmbusProtocolUse smbusProtocolUse(int protocol);

// The data edit's items: the text split at ";", blanks, tabs, CR and LF removed, upper-cased, empty
// items skipped. 19401 for an item that is not one or two hexadecimal digits, 12114 for more than
// 32 items.
Msg readDataItems(std::string_view text, std::vector<std::string>& items);

// ---- SMBus ------------------------------------------------------------------------------------

struct SmbusEntry {
    int protocol = 0;
    bool read = true; // the read/write combo (Quick command)
    std::string address = "10", command = "20";
    std::string data; // the data edit: the read data of a process call
    std::string writeData; // a process call's write data, stored by "Sr"
};
// "Sr" of a process call: the data edit's items become the write data and the edit is cleared;
// the data's messages, 19404 without data.
Msg storeSmbusWriteData(SmbusEntry& entry);
// The line Add List writes: 19400 / 19402 for the address or command, the data's messages, 19404
// without data (every protocol but Quick command). A process call's two parts count their own
// items (each BYTECOUNT, each limit of 32). The PEC covers the whole line before it.
Msg composeSmbusLine(const SmbusEntry& entry, std::string& line);

// ---- PMBus ------------------------------------------------------------------------------------

enum class PmbusKind { GroupCommand, ExtendedRead, ExtendedWrite };
struct PmbusProtocol {
    PmbusKind kind;
    bool word;
    bool pec;
};
PmbusProtocol pmbusProtocol(int protocol);

struct PmbusEntry {
    int protocol = 0;
    std::string address = "10", command = "20", extension = "30", data;
};
// A PMBus line is built over several presses: "Sr" (group commands) appends one device's part and
// the token Sr; "Ok" appends the last part and P and hands the line over. A group command's PEC
// covers its own device's part (from the last Sr); an extended command's covers the whole line.
class PmbusLine {
  public:
    bool underWay() const { return !text_.empty(); }
    const std::string& text() const { return text_; }
    // "Sr": the part and the token Sr; 19406 for a protocol that is no group command.
    Msg repeatedStart(const PmbusEntry& entry);
    // "Ok": the part and P into line; the line under way ends.
    Msg finish(const PmbusEntry& entry, std::string& line);
    void abandon() { text_.clear(); }

  private:
    Msg appendPart(const PmbusEntry& entry, std::string& text) const;
    std::string text_;
};

} // namespace qv::gen
