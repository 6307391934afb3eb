// The string catalogue seen from portable code: message ids as an enum (the error values of core
// functions) and the texts in the three languages. The Win32 side loads the same texts from the
// string tables by explicit language; this table serves the command line and the tests.
#pragma once

#include <span>
#include <string_view>

namespace qv {

enum class Msg : int {
    None = 0,
#define QV_STRING(id, name, en, tw, cn) name = id,
#include "strings.def"
#undef QV_STRING
};

enum class Language { English, TraditionalChinese, SimplifiedChinese };

struct CatalogueEntry {
    int id;
    const char* name;
    const char* english;
    const char* traditional;
    const char* simplified;
};

std::span<const CatalogueEntry> catalogue();

// The text of a string id in a language (UTF-8); empty when the id is not in the catalogue.
std::string_view text(int id, Language language = Language::English);
inline std::string_view text(Msg id, Language language = Language::English) {
    return text(static_cast<int>(id), language);
}

} // namespace qv
