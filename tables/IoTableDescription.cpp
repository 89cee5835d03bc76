// Table descriptions: copy rules and the archived form.
#include "tables/IoTableDescription.h"

#include "platform/archive/Archive.h"

CIoTableDescription::CIoTableDescription(const CIoTableDescription& other) { CopyFrom(other); }

CIoTableDescription& CIoTableDescription::operator=(const CIoTableDescription& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

CIoTableDescription::~CIoTableDescription() { SetAdoConnection(nullptr); }

void CIoTableDescription::CopyFrom(const CIoTableDescription& other) {
    for (int i = 0; i < kStringCount; ++i) m_Strings[i] = other.m_Strings[i];
    m_Timestamp = other.m_Timestamp;
    m_nInUse = other.m_nInUse;
    m_nReservedA = other.m_nReservedA;
    m_nReservedB = other.m_nReservedB;
    m_nTableType = other.m_nTableType;
    m_nFurtherA = other.m_nFurtherA;
    m_nFurtherB = other.m_nFurtherB;
    m_pDatabase = other.m_pDatabase;
    SetAdoConnection(other.m_pAdoConnection);
}

void CIoTableDescription::SetAdoConnection(IRefCounted* connection) {
    if (connection == m_pAdoConnection) return;
    // AddRef first: the old and new reference may belong to the same object.
    if (connection) connection->AddRef();
    if (m_pAdoConnection) m_pAdoConnection->Release();
    m_pAdoConnection = connection;
}

const std::string& CIoTableDescription::GetString(int i) const {
    if (i < 0 || i >= kStringCount) throw CInvalidArgException("description string index out of range");
    return m_Strings[i];
}

void CIoTableDescription::SetString(int i, const std::string& text) {
    if (i < 0 || i >= kStringCount) throw CInvalidArgException("description string index out of range");
    m_Strings[i] = text;
}

void CIoTableDescription::ExchangeArchived(CArchive& ar) {
    for (auto& s : m_Strings) ar.Exchange(s);
    ar.Exchange(m_Timestamp);
    ar.Exchange(m_nInUse);
    ar.Exchange(m_nReservedA);
    ar.Exchange(m_nReservedB);
    ar.Exchange(m_nTableType);
    ar.Exchange(m_nFurtherA);
    ar.Exchange(m_nFurtherB);
}

void CIoTableDescription::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ExchangeArchived(ar);
        return;
    }
    // A short archive must not leave the description half overwritten.
    CIoTableDescription loaded;
    loaded.ExchangeArchived(ar);
    for (int i = 0; i < kStringCount; ++i) m_Strings[i] = std::move(loaded.m_Strings[i]);
    m_Timestamp = loaded.m_Timestamp;
    m_nInUse = loaded.m_nInUse;
    m_nReservedA = loaded.m_nReservedA;
    m_nReservedB = loaded.m_nReservedB;
    m_nTableType = loaded.m_nTableType;
    m_nFurtherA = loaded.m_nFurtherA;
    m_nFurtherB = loaded.m_nFurtherB;
}
