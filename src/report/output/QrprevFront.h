#pragma once

class QWidget;

namespace quorvel {

// The report's windows (the preview, the progress form) open while the user may be inside a modal
// dialog, the report selection. That dialog would take every click and key from a window that is not
// its own, and the window manager would stack the new window under the dialog's owner. Before the
// window is shown it becomes the modal window above the dialog (the dialog gets its input back when
// the window closes); once shown, it is raised and made the active window.
void OpenAboveModalDialog(QWidget& window);
void BringToFront(QWidget& window);

} // namespace quorvel
