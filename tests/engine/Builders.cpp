#include "Builders.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cmath>
#include <fstream>
#include <filesystem>
#include <map>
#include <stdexcept>

namespace enginetest {

namespace {

GsfOutput* OpenOutput(const std::string& path) {
    gsf_init();
    GError* error = nullptr;
    GsfOutput* out = gsf_output_stdio_new(path.c_str(), &error);
    if (!out) throw std::runtime_error("cannot write " + path);
    return out;
}

void WriteChild(GsfOutfile* parent, const std::string& name, const std::string& bytes) {
    GsfOutput* child = gsf_outfile_new_child(parent, name.c_str(), FALSE);
    gsf_output_write(child, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
    gsf_output_close(child);
    g_object_unref(child);
}

}  // namespace

void WriteZip(const std::string& path, const Parts& parts) {
    GsfOutput* out = OpenOutput(path);
    GError* error = nullptr;
    GsfOutfile* zip = gsf_outfile_zip_new(out, &error);
    g_object_unref(out);
    // Folders stay open until the end: the zip writer lays them out when they close.
    std::map<std::string, GsfOutfile*> folders;
    std::vector<GsfOutfile*> order;
    for (const auto& [name, bytes] : parts) {
        GsfOutfile* parent = zip;
        std::string prefix;
        size_t start = 0, slash;
        while ((slash = name.find('/', start)) != std::string::npos) {
            prefix = name.substr(0, slash);
            auto it = folders.find(prefix);
            if (it == folders.end()) {
                auto* folder = GSF_OUTFILE(gsf_outfile_new_child(parent, name.substr(start, slash - start).c_str(), TRUE));
                it = folders.emplace(prefix, folder).first;
                order.push_back(folder);
            }
            parent = it->second;
            start = slash + 1;
        }
        WriteChild(parent, name.substr(start), bytes);
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        gsf_output_close(GSF_OUTPUT(*it));
        g_object_unref(*it);
    }
    gsf_output_close(GSF_OUTPUT(zip));
    g_object_unref(zip);
}

void WriteCompound(const std::string& path, const Parts& streams) {
    GsfOutput* out = OpenOutput(path);
    GsfOutfile* ole = gsf_outfile_msole_new(out);
    g_object_unref(out);
    for (const auto& [name, bytes] : streams) WriteChild(ole, name, bytes);
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
}

Parts XlsxParts(const std::vector<std::pair<std::string, std::string>>& sheets, const std::string& sharedStrings,
                const std::string& styles, const std::string& workbookPr) {
    const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    Parts parts;
    parts.emplace_back("_rels/.rels",
                       "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                           relNs + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    std::string workbook = "<?xml version=\"1.0\"?><workbook xmlns=\"" + ns + "\" xmlns:r=\"" + relNs + "\">" +
                           workbookPr + "<sheets>";
    std::string rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "relationships\">";
    for (size_t i = 0; i < sheets.size(); ++i) {
        std::string id = "rId" + std::to_string(i + 10);
        bool chart = sheets[i].second.rfind("<chartsheet", 0) == 0;
        std::string part = (chart ? "chartsheets/sheet" : "worksheets/sheet") + std::to_string(i + 1) + ".xml";
        workbook += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"" + id + "\"/>";
        rels += "<Relationship Id=\"" + id + "\" Type=\"" + relNs + (chart ? "/chartsheet" : "/worksheet") +
                "\" Target=\"" + part + "\"/>";
        parts.emplace_back("xl/" + part, sheets[i].second);
    }
    workbook += "</sheets></workbook>";
    if (!sharedStrings.empty()) {
        rels += "<Relationship Id=\"rId1\" Type=\"" + relNs + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
        parts.emplace_back("xl/sharedStrings.xml", "<?xml version=\"1.0\"?><sst xmlns=\"" + ns + "\">" + sharedStrings + "</sst>");
    }
    if (!styles.empty()) {
        rels += "<Relationship Id=\"rId2\" Type=\"" + relNs + "/styles\" Target=\"/xl/styles.xml\"/>";
        parts.emplace_back("xl/styles.xml", "<?xml version=\"1.0\"?><styleSheet xmlns=\"" + ns + "\">" + styles + "</styleSheet>");
    }
    rels += "</Relationships>";
    parts.emplace_back("xl/workbook.xml", workbook);
    parts.emplace_back("xl/_rels/workbook.xml.rels", rels);
    return parts;
}

std::string SheetXml(const std::string& rows, const std::string& beforeData) {
    return "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" +
           beforeData + "<sheetData>" + rows + "</sheetData></worksheet>";
}

namespace {

std::string Varint(uint32_t v, int maxBytes) {
    std::string out;
    for (int i = 0; i < maxBytes; ++i) {
        uint8_t b = v & 0x7F;
        v >>= 7;
        if (v) b |= 0x80;
        out += static_cast<char>(b);
        if (!v) break;
    }
    return out;
}

}  // namespace

XlsbWriter& XlsbWriter::Record(uint32_t type, const std::string& data) {
    m_bytes += Varint(type, 2) + Varint(static_cast<uint32_t>(data.size()), 4) + data;
    return *this;
}

XlsbWriter& XlsbWriter::Cell(uint32_t type, uint32_t col, uint32_t style, const std::string& value) {
    return Record(type, U32(col) + U32(style) + value);
}

std::string WideStr(const std::string& ascii) {
    std::string out = U32(static_cast<uint32_t>(ascii.size()));
    for (char c : ascii) out += U16(static_cast<uint8_t>(c));
    return out;
}

Parts XlsbParts(const std::vector<std::pair<std::string, std::string>>& sheets, const std::string& sharedStrings,
                const std::string& styles, uint32_t workbookFlags) {
    const std::string relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    Parts parts;
    parts.emplace_back("[Content_Types].xml",
                       "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "content-types\"><Override PartName=\"/xl/workbook.bin\" ContentType=\"application/"
                       "vnd.ms-excel.sheet.binary.macroEnabled.main\"/></Types>");
    parts.emplace_back("_rels/.rels",
                       "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                           relNs + "/officeDocument\" Target=\"xl/workbook.bin\"/></Relationships>");
    XlsbWriter workbook;
    workbook.Record(131).Record(153, U32(workbookFlags) + U32(0) + WideStr("")).Record(143);
    std::string rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "relationships\">";
    for (size_t i = 0; i < sheets.size(); ++i) {
        std::string id = "rId" + std::to_string(i + 10);
        bool chart = sheets[i].second.empty();
        std::string part = (chart ? "chartsheets/sheet" : "worksheets/sheet") + std::to_string(i + 1) + ".bin";
        workbook.Record(156, U32(0) + U32(static_cast<uint32_t>(i + 1)) + WideStr(id) + WideStr(sheets[i].first));
        rels += "<Relationship Id=\"" + id + "\" Type=\"" + relNs + (chart ? "/chartsheet" : "/worksheet") +
                "\" Target=\"" + part + "\"/>";
        if (!chart) parts.emplace_back("xl/" + part, sheets[i].second);
    }
    workbook.Record(144).Record(132);
    if (!sharedStrings.empty()) {
        rels += "<Relationship Id=\"rId1\" Type=\"" + relNs + "/sharedStrings\" Target=\"sharedStrings.bin\"/>";
        parts.emplace_back("xl/sharedStrings.bin", sharedStrings);
    }
    if (!styles.empty()) {
        rels += "<Relationship Id=\"rId2\" Type=\"" + relNs + "/styles\" Target=\"styles.bin\"/>";
        parts.emplace_back("xl/styles.bin", styles);
    }
    rels += "</Relationships>";
    parts.emplace_back("xl/workbook.bin", workbook.Bytes());
    parts.emplace_back("xl/_rels/workbook.bin.rels", rels);
    return parts;
}

LotusWriter& LotusWriter::Record(uint16_t type, const std::string& data) {
    m_bytes += U16(type) + U16(static_cast<uint16_t>(data.size())) + data;
    return *this;
}

LotusWriter& LotusWriter::Cell(uint16_t type, uint8_t format, uint16_t col, uint16_t row, const std::string& value) {
    return Record(type, std::string(1, static_cast<char>(format)) + U16(col) + U16(row) + value);
}

LotusWriter& LotusWriter::Cell3(uint16_t type, uint8_t sheet, uint8_t col, uint16_t row, const std::string& value) {
    return Record(type, U16(row) + static_cast<char>(sheet) + static_cast<char>(col) + value);
}

std::string LotusWriter::Write(const std::string& path) const {
    std::ofstream(path, std::ios::binary) << m_bytes;
    return path;
}

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

std::string Ext10(double v) {
    if (v == 0) return std::string(10, '\0');
    int e = 0;
    double m = std::frexp(std::fabs(v), &e);  // v = m * 2^e, m in [0.5, 1)
    auto mantissa = static_cast<uint64_t>(std::ldexp(m, 64));
    std::string out = U32(static_cast<uint32_t>(mantissa)) + U32(static_cast<uint32_t>(mantissa >> 32));
    return out + U16(static_cast<uint16_t>((e - 1 + 16383) | (v < 0 ? 0x8000 : 0)));
}

std::string TempPath(const std::string& name) {
    std::filesystem::path dir = std::filesystem::path(DULO_BINARY_DIR) / "engine-test-files";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::string Fixture(const std::string& name) { return std::string(DULO_FIXTURES) + "/engine/" + name; }

}  // namespace enginetest
