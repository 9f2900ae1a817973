#include "render/font_list.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <set>

namespace mirvo {
namespace {

// The family name a pattern is offered under: its Japanese name, else its first.
std::string OfferedName(FcPattern* font) {
    FcChar8* first = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, 0, &first) != FcResultMatch || !first) return {};
    FcChar8* name = nullptr;
    for (int k = 0; FcPatternGetString(font, FC_FAMILY, k, &name) == FcResultMatch; ++k) {
        FcChar8* lang = nullptr;
        if (FcPatternGetString(font, FC_FAMILYLANG, k, &lang) == FcResultMatch && lang &&
            std::string(reinterpret_cast<const char*>(lang)) == "ja")
            return reinterpret_cast<const char*>(name);
    }
    return reinterpret_cast<const char*>(first);
}

}  // namespace

std::vector<std::string> VerticalFontNames() {
    FcInit();
    const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(
        FcNameParse(reinterpret_cast<const FcChar8*>(":lang=ja")), &FcPatternDestroy);
    const std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> objects(
        FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, nullptr), &FcObjectSetDestroy);
    if (!pattern || !objects) return {};
    const std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> fonts(
        FcFontList(nullptr, pattern.get(), objects.get()), &FcFontSetDestroy);
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        const std::string family = OfferedName(fonts->fonts[i]);
        if (!family.empty() && seen.insert(family).second) names.push_back("@" + family);
    }
    return names;
}

}  // namespace mirvo
