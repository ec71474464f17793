#pragma once
// What a picture of a matrix shows: pane A or B as every command reads it, or a part of the last
// result, with a title. The drawing itself belongs to whoever shows it (UserInterface).

#include <string>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/user_interface.h"

namespace kelvaro {

// 'A' or 'B': "Matrix A"; CalcError for an empty pane or an element that is not a number.
PictureSource panePicture(const CalcState& state, char pane);
// The last result: its first part, or the part named ("L", "S"); the eigenvalues as one column.
// Titled with its label and part: "LU(A): U".
PictureSource resultPicture(const CalcState& state, std::string_view part = {});

// What the picture of the last result shows first: the eigenvalues in the plane after Eig, the
// singular values after Svd, otherwise the heat map of its first part.
PictureSource resultFrontPicture(const CalcState& state);

// kelvaro-cli's picture-a=FILE, picture-b=FILE and picture-result=FILE (the front picture).
void savePictureOfA(CalcState& state, UserInterface& ui, std::string_view path);
void savePictureOfB(CalcState& state, UserInterface& ui, std::string_view path);
void savePictureOfResult(CalcState& state, UserInterface& ui, std::string_view path);

}  // namespace kelvaro
