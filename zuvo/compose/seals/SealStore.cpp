#include "compose/seals/SealStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "cfgtree/Config.h"
#include "core/TextUtil.h"
#include "core/codec/FileScrambler.h"
#include "core/stores/ProgramPaths.h"
#include "core/stores/WholeFiles.h"
#include "jotter/Jotter.h"
#include "res/StringTable.h"

namespace {

constexpr char kMarks[] = "MarkManager/Mark";
constexpr unsigned kSizeText = 61504; // "规格:%dX%d(像数) 输出:%dX%d(毫米)"
constexpr float kPixelsPerMillimetre = 7.804878f;

std::string MarkPath(std::size_t position)
{
    return FormatText("%s[%zu]", kMarks, position);
}

} // namespace

SealStore::SealStore(std::string programDirectory)
    : directory_(std::move(programDirectory)), config_(std::make_unique<Config>())
{
}

SealStore::~SealStore() = default;

std::string SealStore::File(const char* name) const
{
    return JoinPath(directory_, name);
}

std::string SealStore::FolderPath() const
{
    return File("Seal");
}

SealStore::OpenResult SealStore::Open()
{
    const std::string list = File("seal.xml");
    const std::string backup = File("seal-bak.xml");
    std::error_code error;
    if (!std::filesystem::exists(list, error) && !error)
        CreateFileWithBytes(list, kInitialText);
    if (::mkdir(FolderPath().c_str(), 0777) != 0 && errno != EEXIST)
        cpLog(kLogFailure, "cannot create the seal folder %s", FolderPath().c_str());

    OpenResult result = OpenResult::Failed;
    if (config_->open(list.c_str())) {
        if (!config_->save(backup.c_str()))
            cpLog(kLogFailure, "cannot write the seal list backup %s", backup.c_str());
        result = OpenResult::Opened;
    } else if (config_->open(backup.c_str())) {
        cpLog(kLogFailure, "cannot load %s; the backup is used", list.c_str());
        result = OpenResult::FromBackup;
    }
    open_ = result != OpenResult::Failed;
    ReadSeals();
    return result;
}

void SealStore::ReadSeals()
{
    seals_.clear();
    if (!open_)
        return;
    std::vector<std::vector<std::string>> rows;
    config_->getNodesAttr(kMarks, {"Caption", "FileName"}, rows);
    for (auto& row : rows)
        seals_.push_back(SealEntry{std::move(row[0]), std::move(row[1])});
}

std::string SealStore::ImagePath(std::size_t position) const
{
    if (position >= seals_.size() || !IsSafeName(seals_[position].fileName))
        return {};
    return JoinPath(FolderPath(), seals_[position].fileName);
}

bool SealStore::AcceptsCaption(const std::string& caption) const
{
    if (!IsSafeName(caption))
        return false;
    for (const SealEntry& seal : seals_)
        if (EqualsNoCase(seal.caption, caption) || EqualsNoCase(seal.fileName, caption))
            return false;
    return true;
}

SealStore::AddResult SealStore::Add(const std::string& caption, const std::string& imagePath)
{
    if (!open_ || !AcceptsCaption(caption))
        return AddResult::Refused;
    std::optional<std::string> image = ReadFileBytes(imagePath, UnscrambledCopy::kMaxCopyBytes);
    if (!image)
        return AddResult::NoImage;
    ScrambleBytes(*image);
    const std::string target = JoinPath(FolderPath(), caption);
    if (!ReplaceFileWithBytes(target, *image))
        return AddResult::NoImage;

    const bool added = config_->addNode("MarkManager", "Mark", "", "", "") &&
                       config_->addNodeAttr("Caption", caption.c_str()) &&
                       config_->addNodeAttr("FileName", caption.c_str());
    if (!added || !config_->save()) {
        cpLog(kLogFailure, "cannot add the seal %s to seal.xml", caption.c_str());
        config_->reload();
        ReadSeals();
        ::unlink(target.c_str());
        return AddResult::NotSaved;
    }
    ReadSeals();
    return AddResult::Added;
}

bool SealStore::Remove(std::size_t position)
{
    if (!open_ || position >= seals_.size())
        return false;
    const std::string image = ImagePath(position);
    if (!config_->removeNode(MarkPath(position).c_str()) || !config_->save()) {
        cpLog(kLogFailure, "cannot remove seal %zu from seal.xml", position);
        config_->reload();
        ReadSeals();
        return false;
    }
    ReadSeals();
    if (!image.empty() && ::unlink(image.c_str()) != 0 && errno != ENOENT)
        cpLog(kLogFailure, "cannot delete the seal image %s", image.c_str());
    return true;
}

bool IsSealImageName(const std::string& fileName)
{
    const auto after = [&](const char* part) { return fileName.find(part, 1) != std::string::npos; };
    return after(".tif") || after(".bmp");
}

std::string SealSizeText(int width, int height)
{
    const std::string format(LoadString(kSizeText));
    const int widthMm = static_cast<int>(static_cast<float>(width) / kPixelsPerMillimetre);
    const int heightMm = static_cast<int>(static_cast<float>(height) / kPixelsPerMillimetre);
    return FormatText(format.c_str(), width, height, widthMm, heightMm);
}
