// What the packer reads from a compiled Java class (see class_file.h).
#include "class_file.h"

#include <vector>

namespace wynpack {

namespace {

constexpr uint32_t kMagic = 0xCAFEBABE;
constexpr uint32_t kPublic = 0x0001;
constexpr uint32_t kStatic = 0x0008;

// Big-endian reads that fail once past the end, instead of reading beyond it.
class Cursor {
  public:
    explicit Cursor(std::string_view bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    uint32_t u1() { return read(1); }
    uint32_t u2() { return read(2); }
    uint32_t u4() { return read(4); }
    std::string_view take(size_t n) {
        if (!ok_ || n > bytes_.size() - at_) {
            ok_ = false;
            return {};
        }
        std::string_view part = bytes_.substr(at_, n);
        at_ += n;
        return part;
    }
    void skip(size_t n) { take(n); }

  private:
    uint32_t read(size_t n) {
        uint32_t value = 0;
        for (char c : take(n)) {
            value = value << 8 | static_cast<unsigned char>(c);
        }
        return value;
    }
    std::string_view bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

// Skips a field's or method's attributes.
void skipAttributes(Cursor& in) {
    for (uint32_t count = in.u2(); count > 0 && in.ok(); --count) {
        in.skip(2);
        in.skip(in.u4());
    }
}

}  // namespace

bool readClassSummary(std::string_view bytes, ClassSummary& summary) {
    summary = ClassSummary();
    Cursor in(bytes);
    if (in.u4() != kMagic) {
        return false;
    }
    in.skip(4);  // versions
    uint32_t poolCount = in.u2();
    std::vector<std::string_view> utf8(poolCount);
    std::vector<uint32_t> classNames(poolCount, 0);
    for (uint32_t i = 1; i < poolCount && in.ok(); ++i) {
        switch (in.u1()) {
            case 1:
                utf8[i] = in.take(in.u2());
                break;
            case 7:
                classNames[i] = in.u2();
                break;
            case 8:
            case 16:
            case 19:
            case 20:
                in.skip(2);
                break;
            case 15:
                in.skip(3);
                break;
            case 3:
            case 4:
            case 9:
            case 10:
            case 11:
            case 12:
            case 17:
            case 18:
                in.skip(4);
                break;
            case 5:
            case 6:
                in.skip(8);
                ++i;  // eight-byte constants take two slots
                break;
            default:
                return false;
        }
    }
    auto text = [&](uint32_t index) {
        return index < poolCount ? utf8[index] : std::string_view();
    };
    in.skip(2);  // access flags
    in.skip(2);  // this class
    uint32_t super = in.u2();
    if (super != 0) {
        if (super >= poolCount || classNames[super] == 0) {
            return false;
        }
        summary.superName = std::string(text(classNames[super]));
    }
    in.skip(size_t{2} * in.u2());  // interfaces
    for (uint32_t fields = in.u2(); fields > 0 && in.ok(); --fields) {
        in.skip(6);
        skipAttributes(in);
    }
    for (uint32_t methods = in.u2(); methods > 0 && in.ok(); --methods) {
        uint32_t flags = in.u2();
        std::string_view name = text(in.u2());
        std::string_view descriptor = text(in.u2());
        if ((flags & (kPublic | kStatic)) == (kPublic | kStatic) && name == "main" &&
            descriptor == "([Ljava/lang/String;)V") {
            summary.declaresMain = true;
        }
        skipAttributes(in);
    }
    skipAttributes(in);  // the class's own
    return in.ok();
}

}  // namespace wynpack
