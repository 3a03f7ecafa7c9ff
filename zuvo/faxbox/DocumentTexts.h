#pragma once

// The fax document's save-as filter and its messages.

namespace DocumentText {
// Entries of the save-as filter, in the order of kSaveAsTypes.
inline constexpr const char* kSaveAsFilter =
    "BMP(*.BMP)|*.BMP|GIF(*.GIF)|*.GIF|JPEG(*.JPG)|*.JPG|PNG(*.PNG)|*.PNG|ICO(*.ICO)|*.ICO|\t\tTIFF(*.TIF)|*.TIF|"
    "TGA(*.TGA)|*.TGA|PCX(*.PCX)|PCX|JPEG200(*.JP2)|*.JP2|PNM(*.PNM)|*.PNM|RAS(*.RAS)|*.RAS||";

inline constexpr const char* kNotTwoToneOrTrueColour = "图像不是二值图像或真彩色图像";
inline constexpr const char* kImageTooLarge = "图像太大";
inline constexpr const char* kTooManyPages = "页数过大, 保存失败, 可用另存保存前100页!";
inline constexpr const char* kSaveFailedReadOnly = "保存失败, 请确定该文件不是只读文件后关闭后重试!";
inline constexpr const char* kSaveModified = "保存被修改过的文件?";
inline constexpr const char* kSaveFailed = "保存失败";
} // namespace DocumentText
