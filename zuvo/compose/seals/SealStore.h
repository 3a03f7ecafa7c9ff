#pragma once

// The electronic seals: the list in seal.xml (program directory, GB2312)
// and the images in the Seal folder beside it, each stored under its
// FileName with its first kilobyte scrambled (core/FileScrambler.h).
//
//   <Config><MarkManager Password=""><Mark Caption="A" FileName="A"/>...</MarkManager></Config>
//
// A seal's caption is also the name of its image file, so a caption must be
// a plain file name ("", ".", "..", separators refused) that no listed seal
// has already, letter case ignored: two seals on one file would lose an
// image when either is deleted. A FileName read from seal.xml that is not a
// plain name is never opened or deleted. Positions count from 0 in the
// order of the Mark elements, which is the list's order.
//
// Not thread-safe: the seal manager, a modal dialog, is its only user.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class Config;

struct SealEntry {
    std::string caption;
    std::string fileName;
};

class SealStore {
public:
    // The text a missing seal.xml is created with.
    static constexpr const char* kInitialText =
        "<?xml version=\"1.0\" encoding=\"GB2312\"?><Config><MarkManager Password=\"\"></MarkManager></Config>";

    explicit SealStore(std::string programDirectory);
    ~SealStore();
    SealStore(const SealStore&) = delete;
    SealStore& operator=(const SealStore&) = delete;

    enum class OpenResult { Opened, FromBackup, Failed };
    // Creates seal.xml with the initial text when it is missing and the
    // Seal folder when it is missing; loads seal.xml and saves it again as
    // seal-bak.xml, or else loads seal-bak.xml. Failed: neither loads, and
    // the list is empty.
    OpenResult Open();
    bool IsOpen() const { return open_; }

    const std::vector<SealEntry>& Seals() const { return seals_; }
    std::string FolderPath() const;
    // The image of the seal at position, "" when there is none or its
    // FileName is not a plain name.
    std::string ImagePath(std::size_t position) const;

    enum class AddResult {
        Added,
        Refused,   // the caption is not a plain name or is listed already
        NoImage,   // the image cannot be read or its copy written
        NotSaved,  // seal.xml could not be saved (nothing changed)
    };
    // Copies the image into the Seal folder under the caption with its
    // first kilobyte scrambled (the source is only read), then adds a Mark
    // with Caption and FileName the caption and saves seal.xml. On any
    // failure nothing is left: no Mark, no image.
    AddResult Add(const std::string& caption, const std::string& imagePath);
    // Whether caption may name a new seal.
    bool AcceptsCaption(const std::string& caption) const;

    // Removes the Mark at position and saves seal.xml; only after the save
    // succeeded is its image deleted. False (nothing changed) when there is
    // no such seal or the save failed.
    bool Remove(std::size_t position);

private:
    std::string File(const char* name) const;
    void ReadSeals();

    std::string directory_;
    std::unique_ptr<Config> config_;
    bool open_ = false;
    std::vector<SealEntry> seals_;
};

// The add dialog's rule for an image file name: it holds ".tif" or ".bmp"
// after its first character, compared exactly ("A.BMP" is refused).
bool IsSealImageName(const std::string& fileName);

// "规格:<w>X<h>(像数) 输出:<w mm>X<h mm>(毫米)": the size in pixels and in
// millimetres at 7.804878 pixels per millimetre (200 dots per inch), cut
// to whole millimetres.
std::string SealSizeText(int width, int height);
