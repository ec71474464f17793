#pragma once
// The picture of a matrix as the window's picture view and kelvaro-cli draw it: the heat map
// with row and column numbers, a title and a colour bar with its scale; saved as PNG or SVG.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "numbers/rcomat.h"
#include "picture/heat_map.h"

namespace kelvaro::drawing {

struct PictureOptions {
  picture::Scale scale = picture::Scale::Linear;
  // Unset: signed for a real matrix, phase for a complex one.
  std::optional<picture::Colouring> colouring;
};

picture::ColourScale colourScaleFor(const picture::MatrixStats& stats,
                                    const PictureOptions& options);

// Where the parts of a picture go in a rectangle.
struct PictureLayout {
  QRect title, plot, bar, phaseBar;  // phaseBar: empty unless coloured by phase
};
PictureLayout layoutPicture(const QRect& area, const QFont& font, bool phase);

// The pixels' entries as an image of that size, in the scale's colours.
QImage colourImage(std::span<const picture::BlockEntry> blocks, QSize size,
                   const picture::ColourScale& scale);

// The heat map of the part of m in view at size pixels, as an image.
QImage heatImage(const RCOMat& m, const picture::ViewWindow& view, QSize size,
                 const picture::ColourScale& scale, const CancelFlag* cancel = nullptr,
                 picture::MatrixStats* stats = nullptr);

// Everything around the heat map: title, row and column numbers of the view (counted from 1),
// the frame of the plot and the colour bar with its scale.
void paintFrame(QPainter& painter, const PictureLayout& layout, const QString& title,
                const picture::ViewWindow& view, const picture::ColourScale& scale);

// The whole picture of m in area.
void paintPicture(QPainter& painter, const QRect& area, const QString& title, const RCOMat& m,
                  const PictureOptions& options);

// The whole picture as a width x height PNG or SVG file, chosen by the name's ending (.png,
// .svg, in any case), written whole or not at all. CalcError when it cannot be.
void savePicture(const std::string& path, const QString& title, const RCOMat& m, QSize size,
                 const PictureOptions& options);

// "png" or "svg" by the path's ending (any case); CalcError for any other.
const char* pictureKind(const std::string& path);

// An image or SVG file's bytes of what paint draws on a size picture; "png" or "svg".
QByteArray pictureBytes(const char* kind, QSize size,
                        const std::function<void(QPainter&, const QRect&)>& paint);

// kelvaro-cli has no application object: one that draws without a display, made at the first
// picture.
void ensureGuiApplication();

}  // namespace kelvaro::drawing
