#pragma once

// Messages that the installer engine reports through its install context.
// Shared with the engine: the virtual operations keep their declaration order.
#include <string>
#include <utility>

// One message record, filled and read by the engine; passed by value, so
// each writer owns and destroys its copy.
class CMsgData
{
public:
    CMsgData() = default;
    explicit CMsgData(std::wstring text, int kind = 0, unsigned int code = 0)
        : text(std::move(text)), kind(kind), code(code)
    {
    }
    CMsgData(const CMsgData&) = default;
    CMsgData& operator=(const CMsgData&) = default;
    virtual ~CMsgData() = default;

    std::wstring text;
    int kind = 0;
    unsigned int code = 0;
};

class IMsgWriter
{
public:
    virtual void Write(CMsgData message) = 0;
    virtual ~IMsgWriter() = default;
};

// The context's writer when no other is set: drops every message.
class CEmptyErrorWriter : public IMsgWriter
{
public:
    void Write(CMsgData) override {}
};
