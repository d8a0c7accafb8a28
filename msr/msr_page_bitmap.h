// The bitmap of the original page a page of the project was made from, as the
// assignment window shows it beside the mask.
//
// The page's title block (its first symbol) names the measure point in code
// 12135 and the page number in code 62. The measure point's ORIGPATH holds the
// original project's directory as its first item, and its ORIGINAL the names of
// the assigned originals; the bitmap is
//   directory + "bitmap/" + ORIGINAL item (page number - 1) + ".bmp".
// Stored directories may be Windows paths: "\" is read as a separator and a
// missing trailing separator is supplied.
#pragma once

#include <string>

namespace korin::msr {

class TMsrProject;

// The bitmap's path, or empty when the page cannot be read, has no title
// block, names no measure point of MESSTELLE, carries no page number within
// ORIGINAL or the measure point has no directory. Whether the file exists is
// left to the caller. Nothing is written.
std::string PageBitmapFile(TMsrProject& project, const std::string& pageFile);

}  // namespace korin::msr
