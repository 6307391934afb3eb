// Marker filling for catalogue texts.
#include "support/text_fill.h"

namespace qv {
namespace {

template <class Char>
std::basic_string<Char> fill(std::basic_string_view<Char> format,
                             std::initializer_list<std::basic_string_view<Char>> arguments) {
    std::basic_string<Char> out;
    out.reserve(format.size());
    auto next = arguments.begin();
    for (std::size_t at = 0; at < format.size(); ++at) {
        const bool marker = format[at] == Char('%') && at + 1 < format.size() &&
            (format[at + 1] == Char('s') || format[at + 1] == Char('d'));
        if (marker && next != arguments.end()) {
            out.append(*next++);
            ++at;
        } else {
            out.push_back(format[at]);
        }
    }
    return out;
}

} // namespace

std::string fillMarkers(std::string_view format, std::initializer_list<std::string_view> arguments) {
    return fill(format, arguments);
}

std::wstring fillMarkers(std::wstring_view format, std::initializer_list<std::wstring_view> arguments) {
    return fill(format, arguments);
}

} // namespace qv
