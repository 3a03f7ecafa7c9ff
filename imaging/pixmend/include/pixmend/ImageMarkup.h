// ImageMarkup: shapes and text drawn monochrome into 1-bit page images.
// In progress by engineer "markup"; this folder is taken.
#pragma once
