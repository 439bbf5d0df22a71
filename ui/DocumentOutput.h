#pragma once
// Where a printed document goes: a PDF file or the system's print dialog.
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QWidget;

// Paints onto the device it is given; false when it could not.
using DocumentPainter = std::function<bool(QPagedPaintDevice& device)>;

// Asks for a PDF file (starting at `suggestedName` in the user's folder) and
// writes it as writeDocumentPdf does; a failure or refusal is shown in an error box.
void saveDocumentAsPdf(QWidget* parent, const QString& suggestedName, const DocumentPainter& paint);
// Shows the system's print dialog and prints the document to the chosen
// printer; a file chosen there is written as saveDocumentAsPdf writes one.
void printDocument(QWidget* parent, const DocumentPainter& paint);
// Asks which of the two; nothing when the user cancels.
void outputDocument(QWidget* parent, const QString& title, const QString& suggestedName, const DocumentPainter& paint);
