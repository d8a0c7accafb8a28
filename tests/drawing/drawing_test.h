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

// Writes `bytes` as file `name` of the folder and opens it as drawing d.
inline void OpenPage(TKorDrawing& d, const TempDir& dir, const std::vector<uint8_t>& bytes,
                     const std::string& name) {
    WriteBytes(dir / name, bytes);
    d.SetProject(dir.Path());
    d.SetFileName(name);
    d.Open();
}

}  // namespace korin::testing
