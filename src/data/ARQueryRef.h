#pragma once
// IARQuery: the counted interface of a query (lookup, add-reference, release, and GetQuery, which
// answers the query object itself), and IARQueryPtr, the reference that holds one count.
#include <cstdint>
#include <utility>

class TARQuery;

struct TGuid {
    uint32_t D1;
    uint16_t D2, D3;
    uint8_t D4[8];
    bool operator==(const TGuid &) const = default;
};

// {00000000-0000-0000-C000-000000000046}
inline constexpr TGuid IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {DEA3183F-28EB-4F96-AF59-650794C3F468}
inline constexpr TGuid IID_IARQuery{0xDEA3183F, 0x28EB, 0x4F96, {0xAF, 0x59, 0x65, 0x07, 0x94, 0xC3, 0xF4, 0x68}};
inline constexpr long E_NOINTERFACE_CODE = static_cast<long>(static_cast<int32_t>(0x80004002u));

class IARQuery {
public:
    virtual long QueryInterface(const TGuid &iid, void **obj) = 0;
    virtual long AddRef() = 0;
    virtual long Release() = 0;
    virtual TARQuery *GetQuery() = 0;

protected:
    ~IARQuery() = default;
};

// Holds one counted reference; copying adds one, destruction or Reset drops it.
class IARQueryPtr {
public:
    IARQueryPtr() = default;
    explicit IARQueryPtr(IARQuery *q) : q_(q) {
        if (q_) q_->AddRef();
    }
    IARQueryPtr(const IARQueryPtr &other) : IARQueryPtr(other.q_) {}
    IARQueryPtr(IARQueryPtr &&other) noexcept : q_(std::exchange(other.q_, nullptr)) {}
    IARQueryPtr &operator=(IARQueryPtr other) noexcept {
        std::swap(q_, other.q_);
        return *this;
    }
    ~IARQueryPtr() { Reset(); }

    void Reset() {
        if (IARQuery *q = std::exchange(q_, nullptr)) q->Release();
    }
    IARQuery *get() const { return q_; }
    IARQuery *operator->() const { return q_; }
    explicit operator bool() const { return q_ != nullptr; }
    // The query object behind the reference (GetQuery), or null.
    TARQuery *Query() const { return q_ ? q_->GetQuery() : nullptr; }

private:
    IARQuery *q_ = nullptr;
};
