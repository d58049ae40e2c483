#pragma once

// Other programs' texts in the user's language, read from their installed gettext message
// catalogs (the GNU .mo files under /usr/share/locale). The advisor needs the names desktops
// give the files they save, which are translated ("Bildschirmfoto vom …").

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::platform {

// The translation of `text` in a message catalog's bytes; nothing when the catalog lacks it,
// has it untranslated, or is no well-formed .mo file (either byte order).
std::optional<std::string> catalogTranslation(std::string_view catalog, std::string_view text);

// The catalogs' language names to try, most wanted first, as gettext chooses them: LANGUAGE's
// colon-separated list, unless the messages' locale (LC_ALL, else LC_MESSAGES, else LANG) is
// unset, "C" or "POSIX", which want no translation; otherwise that locale. Each name is tried
// without its codeset and modifier, then as its language alone: "de_AT.UTF-8" gives "de_AT",
// "de".
std::vector<std::string> messageLanguages();

// The installed catalogs of the user's languages, each read once, on the first question it
// answers. Safe to ask from several threads.
class MessageCatalogs {
public:
    explicit MessageCatalogs(std::vector<std::string> languages = messageLanguages(),
                             std::string localeRoot = "/usr/share/locale");

    // The translation of `text` in the first of the languages whose catalog of `domain`
    // (localeRoot/LANGUAGE/LC_MESSAGES/domain.mo) has it; nothing when none has.
    std::optional<std::string> translation(std::string_view domain, std::string_view text);

private:
    std::vector<std::string> languages_;
    std::string localeRoot_;
    std::mutex lock_;
    std::map<std::string, std::optional<std::string>> catalogs_; // by path; guarded by lock_
};

} // namespace tavelin::platform
