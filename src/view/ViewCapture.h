#pragma once
// Capturing what an open view shows, and saving or copying that capture.

#include <QImage>

class AppContext;
class QScrollArea;
class QWidget;

namespace view {

// View kind 1 (detail): the visible part of the scroll area at the tiles' resolution.
// View kind 0 (preview): the whole preview panel with its border. Otherwise nothing.
// In device pixels (the tiles' own on a dense screen), with a pixel ratio of one.
QImage captureView(int viewKind, QScrollArea *scrollBox, QWidget *panel);

// "Enregistrer": asks for a name and a type (1 BMP, 2 JPEG; the dialog opens on
// `lastType`, which receives the confirmed one) and writes the capture; failures go to
// the error box. Nothing is written when the dialog is cancelled.
void saveCapture(const QImage &capture, AppContext &context, int &lastType);

// "Copier": the capture on the clipboard.
void copyCapture(const QImage &capture, AppContext &context);

} // namespace view
