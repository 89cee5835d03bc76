#pragma once
// Typed pointer arrays, the record lists of the library: optionally owning,
// growing by a set step, sortable by a three-way comparison function.
#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <utility>
#include <vector>

// The platform's invalid-argument exception: raised by a bad array index.
class CInvalidArgException : public std::invalid_argument {
public:
    CInvalidArgException() : std::invalid_argument("invalid argument") {}
    explicit CInvalidArgException(const char* what) : std::invalid_argument(what) {}
};

template <class T>
class CTypedPtrArray {
public:
    CTypedPtrArray() = default;
    CTypedPtrArray(const CTypedPtrArray&) = delete;
    CTypedPtrArray& operator=(const CTypedPtrArray&) = delete;
    virtual ~CTypedPtrArray() = default;

    int GetSize() const { return int(m_items.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return m_items.empty(); }

    // Growth step; a step of 0 or less leaves the growth to the container.
    void SetGrowBy(int growBy) { m_growBy = growBy; }
    int GetGrowBy() const { return m_growBy; }

    T* GetAt(int index) const { return m_items[Checked(index)]; }
    T* operator[](int index) const { return GetAt(index); }
    T*& ElementAt(int index) { return m_items[Checked(index)]; }
    void SetAt(int index, T* item) { m_items[Checked(index)] = item; }

    int Add(T* item) {
        Reserve(m_items.size() + 1);
        m_items.push_back(item);
        return GetSize() - 1;
    }
    // index may equal the size (append).
    void InsertAt(int index, T* item) {
        if (index < 0 || index > GetSize()) throw CInvalidArgException("array index out of range");
        Reserve(m_items.size() + 1);
        m_items.insert(m_items.begin() + index, item);
    }
    // Takes the element out without deleting it.
    T* Detach(int index) {
        T* item = m_items[Checked(index)];
        m_items.erase(m_items.begin() + index);
        return item;
    }

    T** GetData() { return m_items.data(); }
    T* const* GetData() const { return m_items.data(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

protected:
    size_t Checked(int index) const {
        if (index < 0 || index >= GetSize()) throw CInvalidArgException("array index out of range");
        return size_t(index);
    }
    void Reserve(size_t needed) {
        if (needed <= m_items.capacity() || m_growBy <= 0) return;
        // Grow by the step, but never slower than doubling once the array is large.
        size_t step = std::max<size_t>(size_t(m_growBy), m_items.size());
        m_items.reserve(m_items.size() + step);
    }

    std::vector<T*> m_items;
    int m_growBy = 0;
};

template <class T>
class CDestructableTypedPtrArray : public CTypedPtrArray<T> {
public:
    explicit CDestructableTypedPtrArray(bool autoDelete = true) : m_autoDelete(autoDelete) {}
    ~CDestructableTypedPtrArray() override { RemoveAll(); }

    void SetAutoDelete(bool autoDelete) { m_autoDelete = autoDelete; }
    bool GetAutoDelete() const { return m_autoDelete; }

    // Deletes every element when the array owns them, then empties it.
    void RemoveAll() {
        if (m_autoDelete)
            for (T* item : this->m_items) delete item;
        this->m_items.clear();
    }
    // Removes count elements from index, deleting them when the array owns them.
    void RemoveAt(int index, int count = 1) {
        if (count < 0 || index < 0 || index + count > this->GetSize())
            throw CInvalidArgException("array index out of range");
        if (m_autoDelete)
            for (int i = index; i < index + count; ++i) delete this->m_items[size_t(i)];
        this->m_items.erase(this->m_items.begin() + index, this->m_items.begin() + index + count);
    }
    // Replaces an element, deleting the old one when owned.
    void ReplaceAt(int index, T* item) {
        T*& slot = this->ElementAt(index);
        if (m_autoDelete && slot != item) delete slot;
        slot = item;
    }

private:
    bool m_autoDelete;
};

template <class T>
class CSortableTypedPtrArray : public CDestructableTypedPtrArray<T> {
public:
    // Three-way comparison: -1 less, 0 equal, 1 greater.
    using CompareFn = int (*)(const T* a, const T* b);

    explicit CSortableTypedPtrArray(CompareFn compare = nullptr, bool autoDelete = true)
        : CDestructableTypedPtrArray<T>(autoDelete), m_compare(compare) {}

    void SetCompareFunction(CompareFn compare) { m_compare = compare; }
    CompareFn GetCompareFunction() const { return m_compare; }

    // Stable sort: equal elements keep their order of arrival.
    void Sort() {
        if (!m_compare) return;
        std::stable_sort(this->m_items.begin(), this->m_items.end(),
                         [this](const T* a, const T* b) { return m_compare(a, b) < 0; });
    }

    // Same order as appending and re-sorting stably: after every equal element.
    // O(log n) comparisons plus one move.
    int AddSorted(T* item) {
        auto it = std::upper_bound(this->m_items.begin(), this->m_items.end(), item,
                                   [this](const T* a, const T* b) { return m_compare(a, b) < 0; });
        int index = int(it - this->m_items.begin());
        this->InsertAt(index, item);
        return index;
    }

    // Index of the first element equal to key, or -1. The array must be sorted.
    int FindSorted(const T* key) const {
        auto it = std::lower_bound(this->m_items.begin(), this->m_items.end(), key,
                                   [this](const T* a, const T* b) { return m_compare(a, b) < 0; });
        if (it == this->m_items.end() || m_compare(*it, key) != 0) return -1;
        return int(it - this->m_items.begin());
    }

private:
    CompareFn m_compare;
};

// The owning array every record list uses.
template <class T>
class CAutoDestructArray : public CSortableTypedPtrArray<T> {
public:
    explicit CAutoDestructArray(int growBy = 0, typename CSortableTypedPtrArray<T>::CompareFn compare = nullptr)
        : CSortableTypedPtrArray<T>(compare, true) {
        this->SetGrowBy(growBy);
    }
};
