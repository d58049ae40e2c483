#include "model/KindCatalog.h"

#include <QMimeDatabase>
#include <algorithm>
#include <array>
#include <map>

namespace tavelin::KindCatalog {
namespace {

// A kind matches a MIME type when the type, or one of its ancestors, has one of these names or
// begins with one of these prefixes (those ending in "/").
struct Row {
    std::initializer_list<const char*> types;
    const char* name;
    const char* symbol;
};

const std::array<Row, 16> kRows{{
    {{"video/"}, "Video", "film"},
    {{"audio/"}, "Audio", "waveform"},
    {{"image/"}, "Images", "photo"},
    {{"application/x-cd-image", "application/x-raw-disk-image", "application/x-apple-diskimage",
      "application/vnd.efi.img", "application/x-qemu-disk", "application/x-virtualbox-vdi",
      "application/x-vmdk", "application/x-vhd"},
     "Disk Images",
     "externaldrive"},
    {{"application/zip", "application/x-tar", "application/gzip", "application/x-7z-compressed",
      "application/vnd.rar", "application/x-rar", "application/x-bzip", "application/x-bzip2",
      "application/x-xz", "application/zstd", "application/x-compress", "application/x-archive",
      "application/x-cpio", "application/x-lzma", "application/x-lz4",
      "application/vnd.debian.binary-package", "application/x-rpm", "application/java-archive"},
     "Archives",
     "archivebox"},
    {{"text/x-csrc",        "text/x-c++src",
      "text/x-chdr",        "text/x-c++hdr",
      "text/x-python",      "text/x-python3",
      "text/x-java",        "application/javascript",
      "text/javascript",    "application/x-shellscript",
      "text/x-go",          "text/rust",
      "text/x-rust",        "text/x-ruby",
      "application/x-ruby", "application/x-perl",
      "application/x-php",  "text/x-swift",
      "text/x-kotlin",      "text/x-csharp",
      "text/x-objcsrc",     "text/x-makefile",
      "text/x-cmake",       "application/typescript",
      "text/x-scala",       "text/x-haskell",
      "text/x-lua",         "text/x-sql",
      "text/css",           "text/x-scss",
      "text/html"},
     "Code",
     "chevron.left.forwardslash.chevron.right"},
    {{"application/x-executable", "application/x-sharedlib", "application/x-object",
      "application/x-pie-executable", "application/vnd.microsoft.portable-executable",
      "application/x-msdownload", "application/x-mach-binary", "application/x-java"},
     "Programs & Libraries",
     "gearshape"},
    {{"application/vnd.sqlite3", "application/x-sqlite3", "application/x-sqlite2",
      "application/x-dbf", "application/vnd.ms-access"},
     "Databases",
     "cylinder"},
    {{"application/pdf"}, "Documents", "doc.richtext"},
    {{"application/vnd.oasis.opendocument.presentation", "application/vnd.ms-powerpoint",
      "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
     "Documents",
     "doc.richtext"},
    {{"application/vnd.oasis.opendocument.spreadsheet", "application/vnd.ms-excel",
      "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
     "Documents",
     "doc.richtext"},
    {{"text/"}, "Text & Data", "doc.text"},
    {{"application/json"}, "Text & Data", "doc.text"},
    {{"application/xml"}, "Text & Data", "doc.text"},
    {{"font/", "application/x-font-ttf", "application/x-font-otf", "application/vnd.ms-opentype"},
     "Fonts",
     "textformat"},
    {{"model/"}, "3D", "cube"},
}};

bool names(const QStringList& lineage, const Row& row) {
    for (const char* type : row.types) {
        QLatin1String wanted(type);
        bool prefix = wanted.endsWith(QLatin1Char('/'));
        for (const QString& name : lineage)
            if (prefix ? name.startsWith(wanted) : name == wanted)
                return true;
    }
    return false;
}

} // namespace

Kind kindOf(const QString& extension) {
    static const QMimeDatabase database;
    Kind other{QStringLiteral("Other"), QStringLiteral("doc")};
    if (extension.isEmpty())
        return other;
    QMimeType type =
        database.mimeTypeForFile(QStringLiteral("x.") + extension, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return other;
    QStringList lineage = type.allAncestors();
    lineage.prepend(type.name());
    lineage.append(type.aliases());
    for (const Row& row : kRows)
        if (names(lineage, row))
            return {QString::fromLatin1(row.name), QString::fromLatin1(row.symbol)};
    return other;
}

std::vector<KindTotal> totals(const ExtensionTally& tally, Measure measure) {
    std::map<QString, KindTotal> byName;
    for (const auto& [key, entry] : tally.entries()) {
        int64_t bytes = measure == Measure::apparent ? entry.apparent : entry.bytes;
        QString extension = QString::fromUtf8(key);
        Kind kind = kindOf(extension);
        KindTotal& total = byName[kind.name];
        total.name = kind.name;
        total.symbol = kind.symbol;
        total.bytes += bytes;
        total.files += entry.files;
        total.extensions.push_back(
            {extension.isEmpty() ? QStringLiteral("(none)") : QStringLiteral(".") + extension,
             bytes, entry.files});
    }
    std::vector<KindTotal> result;
    for (auto& [name, total] : byName) {
        std::sort(total.extensions.begin(), total.extensions.end(),
                  [](const auto& a, const auto& b) {
                      return a.bytes != b.bytes ? a.bytes > b.bytes : a.ext < b.ext;
                  });
        result.push_back(std::move(total));
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const auto& a, const auto& b) { return a.bytes > b.bytes; });
    return result;
}

} // namespace tavelin::KindCatalog
