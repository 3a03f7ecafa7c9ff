// A WAV file from outside (a voice prompt, a notification sound): it is
// refused or read to its end, never past what the file holds.
#include "FuzzSupport.h"
#include "compose/sound/Buffer.h"
#include "compose/sound/SoundFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    const std::string path = fuzz::WriteScratch("sound.wav", data, size);
    CSoundFile file(path, nullptr);
    if (!file.IsOK())
        return 0;
    std::size_t total = 0;
    for (int reads = 0; reads < 100000; ++reads) {
        CBuffer buffer(4096);
        if (!file.Read(buffer))
            return 0;
        total += buffer.Size();
        if (total > size)
            fuzz::Fault("more sample bytes read than the file holds");
    }
    fuzz::Fault("reading never ended");
}
