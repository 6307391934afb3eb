// The SMBus protocols as a table of their parts (command, write items, read items, PEC); the PMBus
// ones as three kinds. Both write through one small line writer and take the PEC from the text
// composed so far, as the output reads it back.
#include "generators/smbus_lines.h"

#include "generators/list_lines.h"
#include "generators/smbus.h"

#include <cctype>
#include <cstdio>
#include <optional>

namespace qv::gen {
namespace {

enum class Items { None, Bytes, Words, Block };
struct SmbusShape {
    bool command;
    Items write, read;
    bool pec;
};
constexpr SmbusShape smbusShapes[smbusProtocolCount] = {
    {false, Items::None, Items::None, false}, // Quick command
    {false, Items::Bytes, Items::None, false}, // Send byte
    {false, Items::Bytes, Items::None, true}, // Send byte with PEC
    {false, Items::None, Items::Bytes, false}, // Receive byte
    {false, Items::None, Items::Bytes, true}, // Receive byte with PEC
    {true, Items::Bytes, Items::None, false}, // Write byte
    {true, Items::Words, Items::None, false}, // Write word
    {true, Items::Bytes, Items::None, true}, // Write byte with PEC
    {true, Items::Words, Items::None, true}, // Write word with PEC
    {true, Items::None, Items::Bytes, false}, // Read byte
    {true, Items::None, Items::Bytes, true}, // Read byte with PEC
    {true, Items::None, Items::Words, false}, // Read word
    {true, Items::None, Items::Words, true}, // Read word with PEC
    {true, Items::Words, Items::Words, false}, // Process call
    {true, Items::Words, Items::Words, true}, // Process call with PEC
    {true, Items::Block, Items::None, false}, // Block write
    {true, Items::Block, Items::None, true}, // Block write with PEC
    {true, Items::None, Items::Block, false}, // Block read
    {true, Items::None, Items::Block, true}, // Block read with PEC
    {true, Items::Block, Items::Block, false}, // Block write - block read process call
    {true, Items::Block, Items::Block, true}, // ... with PEC
};
constexpr Msg smbusNames[smbusProtocolCount] = {
    Msg::SmbusQuickCommand,        Msg::SmbusSendByte,    Msg::SmbusSendBytePec,    Msg::SmbusReceiveByte,
    Msg::SmbusReceiveBytePec,      Msg::SmbusWriteByte,   Msg::SmbusWriteWord,      Msg::SmbusWriteBytePec,
    Msg::SmbusWriteWordPec,        Msg::SmbusReadByte,    Msg::SmbusReadBytePec,    Msg::SmbusReadWord,
    Msg::SmbusReadWordPec,         Msg::SmbusProcessCall, Msg::SmbusProcessCallPec, Msg::SmbusBlockWrite,
    Msg::SmbusBlockWritePec,       Msg::SmbusBlockRead,   Msg::SmbusBlockReadPec,   Msg::SmbusBlockProcessCall,
    Msg::SmbusBlockProcessCallPec,
};
constexpr PmbusProtocol pmbusProtocols[pmbusProtocolCount] = {
    {PmbusKind::GroupCommand, false, false},  {PmbusKind::GroupCommand, false, true},
    {PmbusKind::ExtendedRead, false, false},  {PmbusKind::ExtendedRead, false, true},
    {PmbusKind::ExtendedWrite, false, false}, {PmbusKind::ExtendedWrite, false, true},
    {PmbusKind::ExtendedRead, true, false},   {PmbusKind::ExtendedRead, true, true},
    {PmbusKind::ExtendedWrite, true, false},  {PmbusKind::ExtendedWrite, true, true},
};
constexpr Msg pmbusNames[pmbusProtocolCount] = {
    Msg::PmbusGroupCommand,         Msg::PmbusGroupCommandPec,     Msg::PmbusExtendedReadByte,
    Msg::PmbusExtendedReadBytePec,  Msg::PmbusExtendedWriteByte,   Msg::PmbusExtendedWriteBytePec,
    Msg::PmbusExtendedReadWord,     Msg::PmbusExtendedReadWordPec, Msg::PmbusExtendedWriteWord,
    Msg::PmbusExtendedWriteWordPec,
};

std::string hexText(unsigned value, const char* format = "%X") {
    char text[12];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A field's hexadecimal value up to maximum, written back in upper case without leading zeros.
std::optional<std::string> fieldHex(std::string_view text, unsigned maximum) {
    const auto value = hexValue(text, maximum);
    if (!value) return std::nullopt;
    return hexText(static_cast<unsigned>(*value));
}

class LineWriter {
  public:
    explicit LineWriter(std::string& text) : text_(text) {}
    void add(std::string_view token) {
        text_ += token;
        text_ += ' ';
    }
    void add(std::initializer_list<std::string_view> tokens) {
        for (std::string_view t : tokens) add(t);
    }
    // PEC=p over the text from `from` on, then the acknowledge.
    void pec(std::size_t from, std::string_view acknowledge) {
        add("PEC=" + hexText(packetLinePec(std::string_view(text_).substr(from))));
        add(acknowledge);
    }
    // The items, each followed by ACK but the last, followed by lastAck; a block's count first.
    void items(const std::vector<std::string>& items, Items kind, std::string_view lastAck) {
        if (kind == Items::Block) add({"BYTECOUNT=" + hexText(static_cast<unsigned>(items.size()), "%x"), "ACK"});
        for (std::size_t i = 0; i < items.size(); ++i) {
            add(kind == Items::Words ? (i % 2 == 0 ? "L=" : "H=") + items[i] : items[i]);
            add(i + 1 == items.size() ? lastAck : "ACK");
        }
    }
    std::size_t size() const { return text_.size(); }

  private:
    std::string& text_;
};

} // namespace

Msg smbusProtocolName(int protocol) { return smbusNames[protocol]; }
Msg pmbusProtocolName(int protocol) { return pmbusNames[protocol]; }

SmbusProtocolUse smbusProtocolUse(int protocol) {
    const SmbusShape& shape = smbusShapes[protocol];
    SmbusProtocolUse use;
    use.command = shape.command;
    use.data = shape.write != Items::None || shape.read != Items::None;
    use.readWrite = !use.data;
    use.repeatedStart = shape.write != Items::None && shape.read != Items::None;
    use.readOnly = !shape.command && shape.read != Items::None;
    return use;
}

Msg readDataItems(std::string_view text, std::vector<std::string>& items) {
    items.clear();
    std::string item;
    auto take = [&]() {
        if (item.empty()) return true;
        if (item.size() > 2 || item.find_first_not_of("0123456789ABCDEF") != std::string::npos) return false;
        items.push_back(item);
        item.clear();
        return true;
    };
    for (char c : text) {
        if (c == ';') {
            if (!take()) return Msg::SmbusDataItems;
        } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            item += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    if (!take()) return Msg::SmbusDataItems;
    return items.size() > smbusMaxDataItems ? Msg::SmbusDataTooLarge : Msg::None;
}

Msg storeSmbusWriteData(SmbusEntry& entry) {
    std::vector<std::string> items;
    if (Msg m = readDataItems(entry.data, items); m != Msg::None) return m;
    if (items.empty()) return Msg::SmbusNoData;
    entry.writeData = std::move(entry.data);
    entry.data.clear();
    return Msg::None;
}

Msg composeSmbusLine(const SmbusEntry& entry, std::string& line) {
    if (entry.protocol < 0 || entry.protocol >= smbusProtocolCount) return Msg::ErrorParameterSetting;
    const SmbusShape& shape = smbusShapes[entry.protocol];
    const auto address = fieldHex(entry.address, smbusMaxAddress);
    if (!address) return Msg::SmbusAddressRange;
    const auto command = fieldHex(entry.command, smbusMaxCommand);
    if (shape.command && !command) return Msg::SmbusCommandRange;
    std::vector<std::string> written, read;
    const bool twoParts = shape.write != Items::None && shape.read != Items::None;
    if (twoParts) {
        if (Msg m = readDataItems(entry.writeData, written); m != Msg::None) return m;
        if (written.empty()) return Msg::SmbusPressSrFirst;
    }
    if (shape.write != Items::None || shape.read != Items::None) {
        std::vector<std::string>& items = shape.read != Items::None ? read : written;
        if (Msg m = readDataItems(entry.data, items); m != Msg::None) return m;
        if (items.empty()) return Msg::SmbusNoData;
    }

    std::string text;
    LineWriter w(text);
    const std::string addressToken = "ADDR=" + *address;
    w.add({"S", addressToken});
    if (shape.command || shape.write != Items::None) {
        w.add({"W", "ACK"});
        if (shape.command) w.add({"CMD=" + *command, "ACK"});
        if (shape.write != Items::None) w.items(written, shape.write, "ACK");
        if (shape.read != Items::None) w.add({"Sr", addressToken, "R", "ACK"});
    } else {
        w.add({shape.read != Items::None || entry.read ? "R" : "W", "ACK"});
    }
    if (shape.read != Items::None) {
        w.items(read, shape.read, shape.pec ? "ACK" : "NACK");
        if (shape.pec) w.pec(0, "NACK");
    } else if (shape.pec) {
        w.pec(0, "ACK");
    }
    w.add("P");
    line = std::move(text);
    return Msg::None;
}

PmbusProtocol pmbusProtocol(int protocol) { return pmbusProtocols[protocol]; }

Msg PmbusLine::appendPart(const PmbusEntry& entry, std::string& text) const {
    if (entry.protocol < 0 || entry.protocol >= pmbusProtocolCount) return Msg::ErrorParameterSetting;
    const PmbusProtocol p = pmbusProtocols[entry.protocol];
    if (p.kind != PmbusKind::GroupCommand && underWay()) return Msg::PmbusGroupUnderWay;
    const auto address = fieldHex(entry.address, smbusMaxAddress);
    if (!address) return Msg::SmbusAddressRange;
    const auto command = fieldHex(entry.command, smbusMaxCommand);
    if (!command) return Msg::SmbusCommandRange;
    const auto extension = fieldHex(entry.extension, smbusMaxCommand);
    if (p.kind != PmbusKind::GroupCommand && !extension) return Msg::PmbusExtensionRange;
    std::vector<std::string> items;
    if (Msg m = readDataItems(entry.data, items); m != Msg::None) return m;
    if (p.kind != PmbusKind::GroupCommand && items.empty()) return Msg::SmbusNoData;

    const std::size_t srAt = text.rfind(" Sr ");
    const std::size_t devicePart = srAt == std::string::npos ? 0 : srAt + 1; // from the last Sr
    LineWriter w(text);
    if (text.empty()) w.add("S");
    const std::string addressToken = "ADDR=" + *address;
    w.add({addressToken, "W", "ACK"});
    const Items kind = p.word ? Items::Words : Items::Bytes;
    switch (p.kind) {
    case PmbusKind::GroupCommand:
        w.add({"CMD=" + *command, "ACK"});
        w.items(items, Items::Words, "ACK");
        if (p.pec) w.pec(devicePart, "ACK");
        break;
    case PmbusKind::ExtendedWrite:
        w.add({"EXTCMD=" + *extension, "ACK", "CMD=" + *command, "ACK"});
        w.items(items, kind, "ACK");
        if (p.pec) w.pec(0, "ACK");
        break;
    case PmbusKind::ExtendedRead:
        w.add({"EXTCMD=" + *extension, "ACK", "CMD=" + *command, "ACK", "Sr", addressToken, "R", "ACK"});
        if (p.pec) {
            w.items(items, kind, "ACK");
            w.pec(0, "NACK"); // the whole transaction, as the SMBus reads
        } else if (p.word) {
            w.items(items, kind, "NACK");
        } else {
            for (const std::string& item : items) w.add({item, "NACK"});
        }
        break;
    }
    return Msg::None;
}

Msg PmbusLine::repeatedStart(const PmbusEntry& entry) {
    if (entry.protocol < 0 || entry.protocol >= pmbusProtocolCount ||
        pmbusProtocols[entry.protocol].kind != PmbusKind::GroupCommand)
        return Msg::PmbusSrGroupOnly;
    std::string text = text_;
    if (Msg m = appendPart(entry, text); m != Msg::None) return m;
    LineWriter(text).add("Sr");
    text_ = std::move(text);
    return Msg::None;
}

Msg PmbusLine::finish(const PmbusEntry& entry, std::string& line) {
    std::string text = text_;
    if (Msg m = appendPart(entry, text); m != Msg::None) return m;
    LineWriter(text).add("P");
    line = std::move(text);
    text_.clear();
    return Msg::None;
}

} // namespace qv::gen
