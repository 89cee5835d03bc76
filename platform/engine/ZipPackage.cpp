#include "platform/engine/ZipPackage.h"

#include "platform/engine/XmlChunks.h"
#include "platform/gsf/GsfLib.h"
#include "platform/HugePages.h"

#include <algorithm>
#include <cstring>
#include <strings.h>
#include <vector>

namespace dulo::engine {

namespace {

constexpr size_t kReadStep = size_t(1) << 20;
// A part of many megabytes is written once into fresh memory: faulting it in
// 2 MB pages rather than 4 KB ones saves more time than inflating it costs.
void AdviseHugePages(std::string& bytes) {
    if (bytes.capacity() >= 4 * kHugePageSize) dulo::AdviseHugePages(bytes.data(), bytes.capacity());
}

// The child of a folder whose name matches without regard to case.
GsfInput* ChildNoCase(const gsf::Api& api, GsfInfile* folder, std::string_view name) {
    int n = api.infile_num_children(folder);
    for (int i = 0; i < n; ++i) {
        const char* childName = api.infile_name_by_index(folder, i);
        if (childName && name.size() == std::strlen(childName) &&
            strncasecmp(childName, name.data(), name.size()) == 0)
            return api.infile_child_by_index(folder, i);
    }
    return nullptr;
}

std::string RelsPartOf(std::string_view part) {
    size_t slash = part.rfind('/');
    std::string folder = slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash + 1));
    std::string name(slash == std::string_view::npos ? part : part.substr(slash + 1));
    return folder + "_rels/" + name + ".rels";
}

}  // namespace

std::string FolderOf(std::string_view part) {
    size_t slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash + 1));
}

Relationships ReadRelationships(const ZipPackage& zip, std::string_view sourcePart) {
    Relationships rels;
    std::string bytes;
    if (!zip.Read(RelsPartOf(sourcePart), bytes, kMaxTreePartBytes)) return rels;
    pugi::xml_document doc;
    if (!doc.load_buffer_inplace(bytes.data(), bytes.size(), kXmlParseFlags, pugi::encoding_auto)) return rels;
    std::string folder = FolderOf(sourcePart);
    for (pugi::xml_node rel : ChildNamed(doc, "Relationships").children()) {
        if (!IsNamed(rel, "Relationship")) continue;
        if (std::strcmp(rel.attribute("TargetMode").value(), "External") == 0) continue;
        std::string_view type = rel.attribute("Type").value();
        size_t slash = type.rfind('/');
        rels[rel.attribute("Id").value()] = {ResolvePartName(folder, rel.attribute("Target").value()),
                                             std::string(slash == std::string_view::npos ? type
                                                                                          : type.substr(slash + 1))};
    }
    return rels;
}

std::unique_ptr<ZipPackage> ZipPackage::Open(const std::string& path) {
    const gsf::Api* api = gsf::Get();
    if (!api) return nullptr;
    GError* error = nullptr;
    GsfInput* input = api->input_stdio_new(path.c_str(), &error);
    if (!input) {
        if (error) api->error_free(error);
        return nullptr;
    }
    gsf_off_t archiveBytes = api->input_size(input);
    GsfInfile* zip = api->infile_zip_new(input, &error);
    api->object_unref(input);
    if (!zip) {
        if (error) api->error_free(error);
        return nullptr;
    }
    return std::unique_ptr<ZipPackage>(new ZipPackage(*api, zip, archiveBytes > 0 ? uint64_t(archiveBytes) : 0));
}

ZipPackage::~ZipPackage() { m_api.object_unref(m_zip); }

bool ZipPackage::ReadSteps(std::string_view partName, size_t maxBytes, const OnStep& onStep) const {
    uint64_t done = 0;
    const gsf::Api& api = m_api;
    GsfInfile* folder = m_zip;
    api.object_ref(folder);
    GsfInput* part = nullptr;
    while (!partName.empty()) {
        size_t slash = partName.find('/');
        std::string_view segment = partName.substr(0, slash);
        partName = slash == std::string_view::npos ? std::string_view() : partName.substr(slash + 1);
        if (segment.empty()) continue;
        GsfInput* child = ChildNoCase(api, folder, segment);
        api.object_unref(folder);
        folder = nullptr;
        if (!child) return false;
        if (partName.empty()) {
            part = child;
            break;
        }
        if (!api.IsInfile(child)) {
            api.object_unref(child);
            return false;
        }
        folder = reinterpret_cast<GsfInfile*>(child);
    }
    if (folder) api.object_unref(folder);
    if (!part) return false;
    // A folder is not a part.
    if (api.IsInfile(part) && api.infile_num_children(reinterpret_cast<GsfInfile*>(part)) > 0) {
        api.object_unref(part);
        return false;
    }
    // The size comes from the archive's directory, and the zip reader hands out
    // zeros up to it once the member's data has run out: a size no data in the
    // archive could inflate to is damaged (or hostile), whatever maxBytes allows.
    gsf_off_t claimed = api.input_size(part);
    bool ok = claimed >= 0 && static_cast<uint64_t>(claimed) <= maxBytes &&
              static_cast<uint64_t>(claimed) <= m_archiveBytes * kMaxInflateRatio;
    if (ok) {
        // A part that inflates beyond maxBytes is taken as damaged too; read in
        // steps rather than trust the size.
        while (api.input_remaining(part) > 0) {
            size_t step = std::min<size_t>(kReadStep, static_cast<size_t>(api.input_remaining(part)));
            if (done + step > maxBytes) {
                ok = false;
                break;
            }
            // Inflated into libgsf's own buffer and handed on from there.
            const guint8* data = api.input_read(part, step, nullptr);
            if (!data || !onStep(std::string_view(reinterpret_cast<const char*>(data), step), uint64_t(claimed))) {
                ok = false;
                break;
            }
            done += step;
        }
    }
    api.object_unref(part);
    return ok;
}

bool ZipPackage::Read(std::string_view partName, std::string& bytes, size_t maxBytes) const {
    bytes.clear();
    bool ok = ReadSteps(partName, maxBytes, [&](std::string_view step, uint64_t claimed) {
        if (bytes.empty()) {
            // Appended to, never grown with zeros first only to overwrite them.
            bytes.reserve(std::min<size_t>(static_cast<size_t>(claimed), maxBytes));
            AdviseHugePages(bytes);
        }
        bytes.append(step);
        return true;
    });
    if (!ok) bytes.clear();
    return ok;
}

std::string ResolvePartName(std::string_view sourceFolder, std::string_view target) {
    std::string joined;
    if (!target.empty() && target[0] == '/') joined = std::string(target.substr(1));
    else joined = std::string(sourceFolder) + std::string(target);
    std::replace(joined.begin(), joined.end(), '\\', '/');
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t slash = joined.find('/', start);
        std::string segment = joined.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (segment == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!segment.empty() && segment != ".") {
            parts.push_back(segment);
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty()) out += '/';
        out += p;
    }
    return out;
}

}  // namespace dulo::engine
