// An XML store as a file from outside: whatever opens saves, the saved file
// opens again, and saving that gives the same bytes.
#include <fstream>
#include <iterator>

#include "FuzzSupport.h"
#include "cfgtree/Config.h"

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    const std::string input = fuzz::WriteScratch("input.xml", data, size);
    const std::string saved = fuzz::ScratchDirectory() + "/saved.xml";
    const std::string resaved = fuzz::ScratchDirectory() + "/resaved.xml";
    Config config;
    if (config.open(input.c_str()) != 1)
        return 0;
    if (config.save(saved.c_str()) != 1)
        fuzz::Fault("an opened document did not save");
    Config reopened;
    if (reopened.open(saved.c_str()) != 1)
        fuzz::Fault("a saved document does not open again");
    if (reopened.save(resaved.c_str()) != 1)
        fuzz::Fault("a reopened document did not save");
    if (ReadFile(saved) != ReadFile(resaved))
        fuzz::Fault("saving the reopened document changed its bytes");
    return 0;
}
