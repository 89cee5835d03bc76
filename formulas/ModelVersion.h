#pragma once
// The version text that governs which fields an external-model data file
// holds: major.minor.patch, and the version tests its readers apply.
#include <string_view>

class CModelVersion {
public:
    CModelVersion() = default;
    CModelVersion(int major, int minor, int patch) : m_major(major), m_minor(minor), m_patch(patch) {}

    // Major before the first ".", minor between the first and the last ".",
    // patch after the last "."; each the value of its leading digits (0 without).
    // A text without "." is all patch.
    static CModelVersion Parse(std::string_view text);

    int Major() const { return m_major; }
    int Minor() const { return m_minor; }
    int Patch() const { return m_patch; }

    // (major, minor, patch) not below (x, y, z), compared in that order.
    bool AtLeast(int x, int y, int z) const;

    // The file fields that came with later product versions.
    bool HasInputOutputMap() const { return AtLeast(16, 25, 0); }
    bool HasPerturbationSize() const { return AtLeast(17, 1, 6); }
    bool HasSwitchMode() const { return AtLeast(16, 26, 0); }
    bool HasBlockWideFlag() const;
    bool HasParameters() const { return AtLeast(17, 9, 0); }
    bool HasImpliedParameterCount() const;
    bool HasParameterValues() const { return AtLeast(17, 5, 0); }

private:
    int m_major = 0;
    int m_minor = 0;
    int m_patch = 0;
};
