// Shared by the drawing tests: their includes and a page file written and opened.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing/kor_drawing.h"
#include "drawing_gen.h"
#include "store/kor_error.h"
#include "test_support.h"

namespace korin::testing {

// Opens the page file `name` of the project folder `dir` as drawing d.
inline void OpenPage(TKorDrawing& d, const std::string& dir, const std::string& name) {
    d.SetProject(dir);
    d.SetFileName(name);
    d.Open();
}

// Writes `bytes` as file `name` of the folder and opens it as drawing d.
inline void OpenPage(TKorDrawing& d, const TempDir& dir, const std::vector<uint8_t>& bytes,
                     const std::string& name) {
    WriteBytes(dir / name, bytes);
    OpenPage(d, dir.Path(), name);
}

}  // namespace korin::testing
