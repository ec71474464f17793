#pragma once
// A result's eigenvalues in the complex plane and its singular values against their index, as
// Qt Charts draws them: the window's picture view shows these charts and kelvaro-cli writes
// them to files.

#include <QByteArray>
#include <QChart>
#include <QSize>
#include <complex>
#include <functional>
#include <vector>

#include "numbers/rcomat.h"

namespace kelvaro::drawing {

// The eigenvalues of an Eig result (its one column); the singular values of an Svd result
// (the diagonal of S).
std::vector<std::complex<double>> columnValues(const RCOMat& column);
std::vector<double> diagonalMagnitudes(const RCOMat& s);

// Fills the chart, emptied first. The plane keeps one unit as long across as up (and the
// origin in view) whatever size the chart takes; the singular values stand on a logarithmic
// axis, where zeros have no place and are left out.
void plotEigenvalues(QChart& chart, const std::vector<std::complex<double>>& values);
void plotSingularValues(QChart& chart, const std::vector<double>& values);

// A chart of that size as "png" or "svg" bytes, drawn without showing it.
QByteArray chartBytes(const char* kind, QSize size, const std::function<void(QChart&)>& plot);

}  // namespace kelvaro::drawing
