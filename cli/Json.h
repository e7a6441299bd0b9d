// JSON text for scripts: `sallow info --json`, `sallow params --json` and the
// per-frame records of `--progress=json`.
#pragma once

#include <string>
#include <vector>

class JsonWriter {
public:
    JsonWriter &beginObject() { return open('{'); }
    JsonWriter &endObject() { return close('}'); }
    JsonWriter &beginArray() { return open('['); }
    JsonWriter &endArray() { return close(']'); }
    // The key of the next member of an object.
    JsonWriter &key(const std::string &name);
    JsonWriter &value(const std::string &text);
    JsonWriter &value(const char *text) { return value(std::string(text)); }
    JsonWriter &value(double number);
    JsonWriter &value(long number);
    JsonWriter &value(int number) { return value(static_cast<long>(number)); }
    JsonWriter &value(bool flag);
    JsonWriter &null();

    // The text written so far, on one line.
    const std::string &text() const { return text_; }

private:
    JsonWriter &open(char bracket);
    JsonWriter &close(char bracket);
    void separate();

    std::string text_;
    std::vector<bool> empty_;  // per open object or array: no member yet
    bool afterKey_ = false;
};
