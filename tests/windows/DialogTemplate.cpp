#include "DialogTemplate.h"

#include <cstring>
#include <stdexcept>

namespace {

class Reader {
public:
    explicit Reader(const std::vector<uint8_t> &bytes) : bytes_(bytes) {}

    template <class T>
    T read()
    {
        need(sizeof(T));
        T value;
        std::memcpy(&value, &bytes_[at_], sizeof(T));
        at_ += sizeof(T);
        return value;
    }

    std::u16string text()
    {
        std::u16string result;
        for (char16_t c = read<char16_t>(); c != 0; c = read<char16_t>()) result.push_back(c);
        return result;
    }

    NameOrOrdinal nameOrOrdinal()
    {
        need(2);
        NameOrOrdinal result;
        if (bytes_[at_] == 0xFF && bytes_[at_ + 1] == 0xFF) {
            at_ += 2;
            result.ordinal = read<WORD>();
        } else {
            result.name = text();
        }
        return result;
    }

    DialogRect rect()
    {
        DialogRect r;
        r.x = read<short>();
        r.y = read<short>();
        r.cx = read<short>();
        r.cy = read<short>();
        return r;
    }

    void skip(size_t count)
    {
        need(count);
        at_ += count;
    }
    void alignTo4() { at_ = (at_ + 3) & ~size_t(3); }

private:
    void need(size_t count) const
    {
        if (at_ + count > bytes_.size()) throw std::runtime_error("dialog template ends early");
    }

    const std::vector<uint8_t> &bytes_;
    size_t at_ = 0;
};

}  // namespace

DialogTemplate ParseDialogTemplate(const std::vector<uint8_t> &bytes)
{
    Reader in(bytes);
    if (in.read<WORD>() != 1 || in.read<WORD>() != 0xFFFF) throw std::runtime_error("not an extended dialog template");
    DialogTemplate dialog;
    in.read<DWORD>();  // help id
    in.read<DWORD>();  // extended style
    dialog.style = in.read<DWORD>();
    const WORD count = in.read<WORD>();
    dialog.rect = in.rect();
    in.nameOrOrdinal();  // menu
    in.nameOrOrdinal();  // window class
    dialog.title = in.text();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = in.read<WORD>();
        in.read<WORD>();  // weight
        in.read<BYTE>();  // italic
        dialog.charset = in.read<BYTE>();
        dialog.font = in.text();
    }
    for (WORD i = 0; i < count; ++i) {
        in.alignTo4();
        DialogItem item;
        in.read<DWORD>();  // help id
        in.read<DWORD>();  // extended style
        item.style = in.read<DWORD>();
        item.rect = in.rect();
        item.id = in.read<DWORD>();
        item.windowClass = in.nameOrOrdinal();
        item.text = in.nameOrOrdinal();
        in.skip(in.read<WORD>());  // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}
