#pragma once

class QLabel;
class QString;
class QWidget;
class TDBEdit;
class TDataSource;

// Places the captions and edits of a window at their designed pixels. Each takes the parent,
// what it shows, left, top and size, and last an optional object name.

// A width or height of AutoSize is left to the text.
inline constexpr int AutoSize = -1;

// A caption. With an AutoSize width and a given height the width is the text's now; with
// both AutoSize the label takes its text's size when first shown, so a font set later counts.
QLabel* label(QWidget* parent, const QString& text, int x, int y, int w = AutoSize, int h = AutoSize,
              const char* name = nullptr);

// An edit of one field of source, 21 pixels high; one without a name is named "DBEdit_<field>".
TDBEdit* edit(QWidget* parent, TDataSource* source, const char* field, int x, int y, int w,
              const char* name = nullptr);

void setBold(QWidget* w);
