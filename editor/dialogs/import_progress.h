// Reading a mesh file for File > Import Model on a worker thread, with a
// progress dialog that can be cancelled; the window keeps drawing meanwhile.
// Only the reading runs on the worker: the library calls that add the model
// stay on the view's thread.
#pragma once
#include <functional>

#include <QString>

#include "mesh_import.h"

class QWidget;

namespace vantor {

// Reads `path`; returns at once with ImportError::Cancelled when the user
// cancels (the worker finishes on its own and its result is dropped). The
// dialog appears only when the read takes longer than a moment.
korvid::import::MeshRead readMeshWithProgress(QWidget* parent, const QString& path);

// For tests: called on the worker before it reads, so that a test can hold
// a read in progress while it works the dialog. Empty: none.
void setImportWorkerGate(std::function<void()> gate);

// The caption and label of the progress dialog.
inline constexpr const char* kImportProgressTitle = "Import Model";

}  // namespace vantor
