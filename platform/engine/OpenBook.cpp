// Which kind of workbook a file is, decided in one place from its content,
// and the loader that reads it.
#include "platform/engine/BookLoader.h"
#include "platform/engine/XmlChunks.h"
#include "platform/engine/ZipPackage.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace dulo::engine {

namespace {

constexpr size_t kSniffBytes = 4096;

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool HasCsvExtension(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return strcasecmp(path.c_str() + dot, ".csv") == 0;
}

// The content type of a part: its Override, else the Default of its extension.
std::string ContentTypeOf(const ZipPackage& zip, const std::string& part) {
    std::string bytes;
    if (!zip.Read("[Content_Types].xml", bytes, kMaxTreePartBytes)) return {};
    pugi::xml_document doc;
    if (!doc.load_buffer_inplace(bytes.data(), bytes.size(), kXmlParseFlags, pugi::encoding_auto)) return {};
    size_t dot = part.find_last_of("./");
    std::string extension = dot != std::string::npos && part[dot] == '.' ? part.substr(dot + 1) : std::string();
    std::string byDefault;
    for (pugi::xml_node entry : ChildNamed(doc, "Types").children()) {
        std::string_view name = LocalName(entry.name());
        if (name == "Override") {
            std::string_view partName = entry.attribute("PartName").value();
            if (!partName.empty() && partName[0] == '/') partName.remove_prefix(1);
            if (partName.size() == part.size() && strncasecmp(partName.data(), part.data(), part.size()) == 0)
                return entry.attribute("ContentType").value();
        } else if (name == "Default" && !extension.empty() &&
                   strcasecmp(entry.attribute("Extension").value(), extension.c_str()) == 0) {
            byDefault = entry.attribute("ContentType").value();
        }
    }
    return byDefault;
}

// A package says what it is: ODF by its "mimetype" part, OOXML by the content
// type of its workbook part. A package without either is taken as .xlsx.
BookKind PackageKind(const ZipPackage& zip) {
    std::string bytes;
    if (zip.Read("mimetype", bytes, 256))
        return StartsWith(bytes, "application/vnd.oasis.opendocument.spreadsheet") ? BookKind::Ods : BookKind::Unknown;
    std::string workbookPart = "xl/workbook.xml";
    for (const auto& [id, rel] : ReadRelationships(zip, ""))
        if (rel.type == "officeDocument") workbookPart = rel.target;
    if (ContentTypeOf(zip, workbookPart) == "application/vnd.ms-excel.sheet.binary.macroEnabled.main")
        return BookKind::Xlsb;
    return BookKind::Xlsx;
}

// Lotus 1-2-3 files open with a BOF record (type 0) carrying the release:
// 0x0404 .wks, 0x0405 .wr1, 0x0406 .wk1 (two bytes), 0x1000 and later .wk3/.wk4.
bool IsLotusBof(const unsigned char* p, size_t n) {
    if (n < 6 || p[0] != 0 || p[1] != 0) return false;
    unsigned length = p[2] | (p[3] << 8);
    unsigned version = p[4] | (p[5] << 8);
    if (length == 2 && version >= 0x0404 && version <= 0x0406) return true;
    return length >= 26 && version >= 0x1000 && version <= 0x1005;
}

BookKind SniffKind(const std::string& path, std::unique_ptr<ZipPackage>* zipOut) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return BookKind::Unknown;
    unsigned char head[kSniffBytes];
    size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (got >= 8 && std::memcmp(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0) return BookKind::Biff8;
    if (got >= 4 && std::memcmp(head, "PK\x03\x04", 4) == 0) {
        std::unique_ptr<ZipPackage> zip = ZipPackage::Open(path);
        if (!zip) return BookKind::Unknown;
        BookKind kind = PackageKind(*zip);
        if (zipOut) *zipOut = std::move(zip);
        return kind;
    }
    if (IsLotusBof(head, got)) return BookKind::Lotus;
    // Text: no NUL byte where binary files have them at once.
    if (HasCsvExtension(path) && std::memchr(head, 0, got) == nullptr) return BookKind::Csv;
    return BookKind::Unknown;
}

}  // namespace

BookKind DetectBookKind(const std::string& path) { return SniffKind(path, nullptr); }

std::unique_ptr<BookLoader> OpenBook(const std::string& path, BookModel& book) {
    std::unique_ptr<ZipPackage> zip;
    switch (SniffKind(path, &zip)) {
    case BookKind::Biff8: return OpenXls(path, book);
    case BookKind::Xlsx: return OpenXlsx(std::move(zip), book);
    case BookKind::Csv: return OpenCsv(path, book);
    case BookKind::Ods: return OpenOds(std::move(zip), book);
    case BookKind::Xlsb: return OpenXlsb(std::move(zip), book);
    case BookKind::Lotus: return OpenLotus(path, book);
    case BookKind::Unknown: break;
    }
    return nullptr;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes) {
    bytes.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[1 << 16];
    bool ok = true;
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (bytes.size() + n > maxBytes) {
            ok = false;
            break;
        }
        bytes.append(buffer, n);
    }
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    if (!ok) bytes.clear();
    return ok;
}

}  // namespace dulo::engine
