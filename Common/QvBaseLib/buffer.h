#pragma once

#include <cstdlib>
#include <memory>

namespace QvBase
{
template <typename T> class CBuffer;

// A zero-filled character buffer that owns its elements.
template <> class CBuffer<wchar_t>
{
public:
    explicit CBuffer(size_t count = 0) { Resize(count); }
    virtual ~CBuffer() = default;
    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;
    CBuffer(CBuffer&&) = default;
    CBuffer& operator=(CBuffer&&) = default;

    // Frees the old contents; count 0 leaves the buffer empty (null pointer),
    // otherwise count zero characters. Raises CQvError 14 when memory runs out.
    void Resize(size_t count);

    wchar_t* Get() const { return elements.get(); }
    size_t Count() const { return count; }
    wchar_t& operator[](size_t index) const { return elements.get()[index]; }

private:
    struct Free
    {
        void operator()(wchar_t* p) const { std::free(p); }
    };

    size_t count = 0;
    std::unique_ptr<wchar_t, Free> elements;
};
} // namespace QvBase
