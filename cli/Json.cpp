#include "Json.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Quoted(const std::string &text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

}  // namespace

void JsonWriter::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!empty_.empty()) {
        if (!empty_.back()) text_ += ',';
        empty_.back() = false;
    }
}

JsonWriter &JsonWriter::open(char bracket)
{
    separate();
    text_ += bracket;
    empty_.push_back(true);
    return *this;
}

JsonWriter &JsonWriter::close(char bracket)
{
    text_ += bracket;
    empty_.pop_back();
    return *this;
}

JsonWriter &JsonWriter::key(const std::string &name)
{
    separate();
    text_ += Quoted(name) + ':';
    afterKey_ = true;
    return *this;
}

JsonWriter &JsonWriter::value(const std::string &text)
{
    separate();
    text_ += Quoted(text);
    return *this;
}

JsonWriter &JsonWriter::value(double number)
{
    separate();
    if (!std::isfinite(number)) {
        text_ += "null";
        return *this;
    }
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.10g", number);
    text_ += digits;
    return *this;
}

JsonWriter &JsonWriter::value(long number)
{
    separate();
    text_ += std::to_string(number);
    return *this;
}

JsonWriter &JsonWriter::value(bool flag)
{
    separate();
    text_ += flag ? "true" : "false";
    return *this;
}

JsonWriter &JsonWriter::null()
{
    separate();
    text_ += "null";
    return *this;
}
