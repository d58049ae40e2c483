#include "platform/MessageCatalogs.h"

#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace tavelin;
using namespace tavelin::platform;

namespace {

// A GNU message catalog of the pairs, in either byte order: the header, the tables of the
// originals and the translations (length, offset), then the strings.
std::string catalog(const std::vector<std::pair<std::string, std::string>>& pairs,
                    bool bigEndian = false) {
    std::string bytes, text;
    auto word = [&](uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>(value >> (bigEndian ? 24 - 8 * i : 8 * i));
    };
    auto count = static_cast<uint32_t>(pairs.size());
    for (uint32_t value : {0x950412deu, 0u, count, 28u, 28 + 8 * count, 0u, 0u})
        word(value);
    for (auto part : {&std::pair<std::string, std::string>::first,
                      &std::pair<std::string, std::string>::second})
        for (const auto& pair : pairs) {
            word(static_cast<uint32_t>((pair.*part).size()));
            word(static_cast<uint32_t>(28 + 16 * count + text.size()));
            text += pair.*part + '\0';
        }
    return bytes + text;
}

} // namespace

TEST(MessageCatalogs, TranslateFromTheFirstLanguageWhoseCatalogHasTheText) {
    std::string german = catalog({{"Screenshots", "Bildschirmfotos"},
                                  {"Screenshot from %s", "Bildschirmfoto vom %s"},
                                  {"Untranslated", ""}});
    EXPECT_EQ(catalogTranslation(german, "Screenshots"), "Bildschirmfotos");
    EXPECT_EQ(catalogTranslation(catalog({{"Screenshots", "Capturas"}}, true), "Screenshots"),
              "Capturas");
    EXPECT_EQ(catalogTranslation(german, "Untranslated"), std::nullopt);
    EXPECT_EQ(catalogTranslation(german, "Missing"), std::nullopt);
    EXPECT_EQ(catalogTranslation(german.substr(0, 40), "Screenshots"), std::nullopt) << "cut short";
    EXPECT_EQ(catalogTranslation("not a catalog at all", "Screenshots"), std::nullopt);

    test::TemporaryFolder folder;
    test::TreeBuilder locale(folder.path());
    locale.file("de/LC_MESSAGES/gnome-shell.mo", german);
    locale.file("fr/LC_MESSAGES/gnome-shell.mo",
                catalog({{"Screenshots", "Captures d’écran"}, {"Screencasts", "Vidéos d’écran"}}));
    MessageCatalogs catalogs({"de_AT", "de", "fr"}, folder.string());
    EXPECT_EQ(catalogs.translation("gnome-shell", "Screenshots"), "Bildschirmfotos");
    EXPECT_EQ(catalogs.translation("gnome-shell", "Screencasts"), "Vidéos d’écran")
        << "the next language has it";
    EXPECT_EQ(catalogs.translation("gnome-screenshot", "Screenshots"), std::nullopt);
}

TEST(MessageCatalogs, LanguagesFollowTheMessagesLocaleAndLanguageList) {
    // LC_ALL, LC_MESSAGES, LANG, LANGUAGE -> the languages
    const std::tuple<const char*, const char*, const char*, const char*, std::vector<std::string>>
        cases[] = {
            {"", "", "de_AT.UTF-8@euro", "", {"de_AT", "de"}},
            {"", "fr_FR.UTF-8", "de_DE.UTF-8", "", {"fr_FR", "fr"}},
            {"pt_BR.UTF-8", "fr_FR.UTF-8", "", "es:it_IT", {"es", "it_IT", "it", "pt_BR", "pt"}},
            {"C.UTF-8", "", "", "es", {}},
            {"", "", "POSIX", "", {}},
            {"", "", "", "es", {}},
        };
    for (const auto& [all, messages, lang, language, languages] : cases) {
        SCOPED_TRACE(std::string(all) + "/" + messages + "/" + lang);
        ::setenv("LC_ALL", all, 1);
        ::setenv("LC_MESSAGES", messages, 1);
        ::setenv("LANG", lang, 1);
        ::setenv("LANGUAGE", language, 1);
        EXPECT_EQ(messageLanguages(), languages);
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"})
        ::unsetenv(name); // the C locale, which the other suites assume
}
