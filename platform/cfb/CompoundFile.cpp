#include "platform/cfb/CompoundFile.h"

#include "platform/gsf/GsfLib.h"
#include "platform/Sanitizers.h"

#if DULO_ADDRESS_SANITIZER
#include <sanitizer/lsan_interface.h>
#endif

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace dulo::cfb {

namespace {

constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

void Silent(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// A damaged file makes libgsf log warnings while it fails; the caller learns of
// the failure from the result, so the log stays quiet during our calls.
class QuietGsf {
public:
    explicit QuietGsf(const gsf::Api& api) : m_api(api) {
        for (int i = 0; i < 3; ++i) m_ids[i] = m_api.log_set_handler(kDomains[i], kLevels, Silent, nullptr);
    }
    ~QuietGsf() {
        for (int i = 0; i < 3; ++i) m_api.log_remove_handler(kDomains[i], m_ids[i]);
    }
    QuietGsf(const QuietGsf&) = delete;
    QuietGsf& operator=(const QuietGsf&) = delete;

private:
    static constexpr const char* kDomains[3] = {nullptr, "libgsf", "libgsf:msole"};
    static constexpr GLogLevelFlags kLevels = GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                                             G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO);
    const gsf::Api& m_api;
    guint m_ids[3];
};

// Whether the file begins with the compound-document signature; false also when it cannot be read.
bool ReadSignature(const std::string& path, bool& readable) {
    readable = false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    unsigned char head[8] = {};
    size_t n = std::fread(head, 1, sizeof head, f);
    readable = !std::ferror(f);
    std::fclose(f);
    return n == sizeof head && std::memcmp(head, kSignature, sizeof head) == 0;
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

struct CompoundFile::Impl {
    const gsf::Api& api;
    GsfInfile* infile = nullptr;
    ~Impl() {
        if (infile) api.object_unref(infile);
    }
};

struct CompoundStream::Impl {
    const gsf::Api& api;
    GsfInput* input = nullptr;
    ~Impl() {
        if (input) api.object_unref(input);
    }
};

CompoundFile::CompoundFile() = default;
CompoundFile::~CompoundFile() = default;

CfbStatus CompoundFile::Open(const std::string& path) {
    Close();
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return CfbStatus::OpenFailed;
    bool readable = false;
    if (!ReadSignature(path, readable)) return readable ? CfbStatus::NotCompound : CfbStatus::OpenFailed;

    const gsf::Api* api = gsf::Get();
    if (!api) return CfbStatus::OpenFailed;
    QuietGsf quiet(*api);
    GError* err = nullptr;
    GsfInput* input = api->input_stdio_new(path.c_str(), &err);
    if (!input) {
        if (err) api->error_free(err);
        return CfbStatus::OpenFailed;
    }
    GsfInfile* infile = nullptr;
    {
#if DULO_ADDRESS_SANITIZER
        // libgsf 1.14 loses a directory entry and its name that it allocates
        // while parsing some damaged directories; nothing here can free them.
        // Leak checking ignores what this one call allocates and checks the rest.
        __lsan::ScopedDisabler libgsfLosesDamagedEntries;
#endif
        infile = api->infile_msole_new(input, &err);
    }
    api->object_unref(input);
    if (!infile) {
        if (err) api->error_free(err);
        return CfbStatus::OpenFailed;
    }
    m_impl.reset(new Impl{*api, infile});
    m_fileSize = static_cast<uint64_t>(st.st_size);
    return CfbStatus::Ok;
}

void CompoundFile::Close() {
    m_impl.reset();
    m_fileSize = 0;
}

bool CompoundFile::IsOpen() const { return m_impl != nullptr; }

std::vector<std::string> CompoundFile::StreamNames() const {
    std::vector<std::string> names;
    if (!m_impl) return names;
    const gsf::Api& api = m_impl->api;
    int n = api.infile_num_children(m_impl->infile);
    for (int i = 0; i < n; ++i) {
        const char* name = api.infile_name_by_index(m_impl->infile, i);
        names.emplace_back(name ? name : "");
    }
    return names;
}

std::unique_ptr<CompoundStream> CompoundFile::OpenStream(std::string_view name, bool ignoreCase) const {
    if (!m_impl) return nullptr;
    const gsf::Api& api = m_impl->api;
    QuietGsf quiet(api);
    int n = api.infile_num_children(m_impl->infile);
    for (int i = 0; i < n; ++i) {
        const char* child = api.infile_name_by_index(m_impl->infile, i);
        if (!child) continue;
        bool match = ignoreCase ? EqualsIgnoreCase(child, name) : std::string_view(child) == name;
        if (!match) continue;
        GsfInput* input = api.infile_child_by_index(m_impl->infile, i);
        if (!input) return nullptr;
        // A storage is not a stream.
        if (api.IsInfile(input) && api.infile_num_children(reinterpret_cast<GsfInfile*>(input)) >= 0) {
            api.object_unref(input);
            continue;
        }
        std::unique_ptr<CompoundStream::Impl> impl(new CompoundStream::Impl{api, input});
        return std::unique_ptr<CompoundStream>(new CompoundStream(std::move(impl), child));
    }
    return nullptr;
}

CompoundStream::CompoundStream(std::unique_ptr<Impl> impl, std::string name)
    : m_impl(std::move(impl)), m_name(std::move(name)) {}

CompoundStream::~CompoundStream() = default;

uint64_t CompoundStream::Size() const {
    gsf_off_t size = m_impl->api.input_size(m_impl->input);
    return size > 0 ? static_cast<uint64_t>(size) : 0;
}

uint64_t CompoundStream::Tell() const {
    gsf_off_t pos = m_impl->api.input_tell(m_impl->input);
    return pos > 0 ? static_cast<uint64_t>(pos) : 0;
}

bool CompoundStream::Seek(uint64_t offset) {
    if (offset > Size()) return false;
    return !m_impl->api.input_seek(m_impl->input, static_cast<gsf_off_t>(offset), G_SEEK_SET);
}

bool CompoundStream::Read(void* buffer, size_t n) {
    if (n == 0) return true;
    if (Tell() + n > Size()) return false;
    QuietGsf quiet(m_impl->api);
    return m_impl->api.input_read(m_impl->input, n, static_cast<guint8*>(buffer)) != nullptr;
}

bool CompoundStream::ReadAll(std::vector<uint8_t>& out, uint64_t maxBytes) {
    out.clear();
    uint64_t size = Size();
    if (size > maxBytes) return false;
    if (!Seek(0)) return false;
    out.resize(static_cast<size_t>(size));
    constexpr size_t kChunk = 1 << 16;
    for (size_t done = 0; done < out.size();) {
        size_t n = std::min(kChunk, out.size() - done);
        if (!Read(out.data() + done, n)) {
            out.clear();
            return false;
        }
        done += n;
    }
    return true;
}

}  // namespace dulo::cfb
