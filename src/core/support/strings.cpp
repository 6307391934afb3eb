// English (and Chinese) lookup of the string catalogue for portable code.
#include "support/strings.h"

#include <algorithm>

namespace qv {
namespace {

constexpr CatalogueEntry entries[] = {
#define QV_STRING(id, name, en, tw, cn) {id, #name, en, tw, cn},
#include "strings.def"
#undef QV_STRING
};

} // namespace

std::span<const CatalogueEntry> catalogue() { return entries; }

std::string_view text(int id, Language language) {
    // Areas keep their own lists, so the whole catalogue is not sorted; a linear scan of a few
    // hundred entries is fine for error paths.
    auto it =
        std::find_if(std::begin(entries), std::end(entries), [id](const CatalogueEntry& e) { return e.id == id; });
    if (it == std::end(entries)) return {};
    switch (language) {
    case Language::TraditionalChinese: return it->traditional;
    case Language::SimplifiedChinese: return it->simplified;
    default: return it->english;
    }
}

} // namespace qv
