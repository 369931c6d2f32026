// Writes the loaded image as the three C headers of the receiver's factory
// default tables: PgDefSat.h, PgDefTp.h and PgDefSvc_S.h.
#pragma once

#include <filesystem>
#include <string>

namespace kavor {

class Image;

// Creates (or overwrites) the three headers in `folder`, in that order, with
// CR LF line ends. Returns false as soon as a file cannot be created or any
// write to it fails; files written before stay, later ones are not touched.
// The image is only read.
bool ExportDefaultTables(const Image& image, const std::filesystem::path& folder);

// The message the editor and kavor-cli show for the result: "Ok" or "Error".
const char* ExportResultText(bool ok);

// How a name is written between double quotes so that any C compiler reads
// back the same bytes: \" and \\, control bytes and 0x7F as \ooo.
std::string QuotedNameText(const std::string& name);
// A name inside a // comment: control bytes, 0x7F and backslashes become '_'
// so that the comment can neither end early nor continue onto the next line.
std::string CommentNameText(const std::string& name);

}  // namespace kavor
