#pragma once
#include <QColor>
#include <QComboBox>
#include <QPalette>
#include <cstdint>

// Colour values of the program (0x00BBGGRR, or a system-colour identifier
// 0xFF0000nn) as Qt colours. System colours come from `palette`.
QColor ColourToQColor(int32_t colour, const QPalette& palette);
int32_t QColorToColour(const QColor& colour);

// A drop-down list of colours with swatches: the standard colours, the
// extended ones, then the system colours. A colour that no list holds (a
// custom colour from a file or from the colour dialog) is added as a
// "Custom" entry when selected, so that reading the list back never changes
// a stored colour.
class ColourPickList : public QComboBox {
  Q_OBJECT
 public:
  explicit ColourPickList(QWidget* parent = nullptr);

  int32_t Colour() const;
  void SetColour(int32_t colour);

 private:
  void AddEntry(const QString& name, int32_t colour);
  int customIndex_ = -1;
};
