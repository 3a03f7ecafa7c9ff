#include "textcodec/Gbk.h"

#include <cerrno>
#include <iconv.h>

namespace TextCodec {
namespace {

// One iconv descriptor per conversion, closed on every path.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    std::optional<std::string> convert(std::string_view input)
    {
        if (!valid())
            return std::nullopt;
        std::string output;
        output.resize(input.size() * 2 + 16);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        size_t produced = 0;
        while (true) {
            char* out = output.data() + produced;
            size_t outLeft = output.size() - produced;
            size_t result = iconv(cd_, inLeft ? &in : nullptr, &inLeft, &out, &outLeft);
            produced = output.size() - outLeft;
            if (result != static_cast<size_t>(-1)) {
                if (inLeft == 0)
                    break; // input consumed and shift state flushed
                continue;
            }
            if (errno != E2BIG)
                return std::nullopt; // EILSEQ or EINVAL: not representable or cut short
            output.resize(output.size() * 2);
        }
        output.resize(produced);
        return output;
    }

private:
    iconv_t cd_;
};

} // namespace

std::optional<std::string> utf8ToGbk(std::string_view utf8)
{
    return Converter("GBK", "UTF-8").convert(utf8);
}

std::optional<std::string> gbkToUtf8(std::string_view gbk)
{
    return Converter("UTF-8", "GBK").convert(gbk);
}

} // namespace TextCodec
