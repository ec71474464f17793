#pragma once
// What a command needs from a person, supplied by whoever runs it (window or kelvaro-cli).
// Errors that end a command are not here: they are CalcError exceptions the caller shows.

#include <string>

#include "numbers/calc_error.h"
#include "numbers/rcomat.h"

namespace kelvaro {

// A matrix to draw, and its title ("Matrix A", "LU(A): U"): as a heat map, or as the points of
// an Eig result's eigenvalues (values: their column) in the complex plane, or as an Svd
// result's singular values (values: S) against their index.
struct PictureSource {
  enum class Kind { HeatMap, Eigenvalues, SingularValues };
  std::string title;
  RCOMat values;
  Kind kind = Kind::HeatMap;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A message box titled "Note" with an OK button.
  virtual void showNote(const std::string& text) = 0;
  // A warning-type message box with an OK button ("Successed!").
  virtual void showWarning(const std::string& text) = 0;
  // The screen-wide wait cursor, on while a long sequence runs.
  virtual void setBusy(bool busy) { (void)busy; }
  // A short note for the window's bottom strip ("Pasted 3x3 from NumPy"); no box, nothing to
  // answer. kelvaro-cli shows none.
  virtual void showStatus(const std::string& text) { (void)text; }
  // Draws the matrix into a PNG or SVG file; only where pictures can be drawn.
  virtual void savePicture(const PictureSource& source, const std::string& path) {
    (void)source;
    (void)path;
    throw CalcError("This build of Kelvaro draws no pictures.");
  }
};

}  // namespace kelvaro
