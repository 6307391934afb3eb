// Field texts and spin steps.
#include "support/field_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

namespace qv {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<long long> parseFieldInteger(std::string_view text, int radix) {
    text = trimmed(text);
    if (text.empty() || (radix != 10 && radix != 16)) return std::nullopt;
    if (radix == 16 && (text.front() == '-' || text.front() == '+')) return std::nullopt;
    if (text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, radix);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> parseDigits(std::string_view text, std::uint64_t maximum) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > maximum)
        return std::nullopt;
    return value;
}

std::string fieldIntegerText(long long value, int radix) {
    char digits[72];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, radix == 16 ? 16 : 10);
    std::string text(digits, result.ptr);
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::optional<double> parseFieldNumber(std::string_view text) {
    const std::string copy(trimmed(text));
    if (copy.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) return std::nullopt;
    return value;
}

SpinStep stepSpin(long long value, long long delta, long long minimum, long long maximum, SpinEnds ends) {
    if (maximum < minimum) return {minimum, false};
    if (ends == SpinEnds::Clamp) {
        const long long held = std::clamp(value, minimum, maximum);
        // Compare before adding, so that a step at an end never overflows.
        if (delta > 0 && held > maximum - delta) return {maximum, true};
        if (delta < 0 && held < minimum - delta) return {minimum, true};
        return {held + delta, false};
    }
    // Wrap: modular within the range. Ranges of fields are far below the limits of long long.
    const long long span = maximum - minimum + 1;
    long long offset = (value - minimum + delta) % span;
    if (offset < 0) offset += span;
    return {minimum + offset, false};
}

} // namespace qv
