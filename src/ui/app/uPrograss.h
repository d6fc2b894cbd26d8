#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace tw {

// The shared progress window: a small tool window that stays on top while an operation
// reports its advance. Not translated; the caption comes with each report.
class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProgress(QWidget* parent = nullptr);

    // Shows `caption` as window title, label text and gauge hint, and the gauge at `value`
    // of `min`..`max`.
    void SetProgress(int min, int max, const QString& caption, int value);

    QLabel* edtTitle = nullptr;
    QProgressBar* sgMain = nullptr;
};

} // namespace tw
