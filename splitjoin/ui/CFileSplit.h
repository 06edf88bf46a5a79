#pragma once
// The "Split" page: the file to split, the destination folder, the diskette
// size by radio button or "File Size:" entry, the size and piece count, and
// the pieces made. Its settings live as long as the page, which the sheet
// keeps for the main window's life.
#include <array>

#include "splitjoin/SplitSettings.h"
#include "splitjoin/ui/WorkPage.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace vellum {

class OperationRunner;
class Prompter;
class VolumeProbe;

class CFileSplit : public WorkPage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 108;
    static constexpr int kHelpTopic = 0x20000 + kTemplate;

    CFileSplit(OperationRunner& runner, VolumeProbe& volume, QWidget* parent = nullptr);

    // Every time the sheet opens.
    void start();
    const SplitSettings& settings() const { return settings_; }

public slots:
    void OnSplit();

private:
    QWidget* makeFileRows();
    QWidget* makeSizeRows();
    void OnBrowseSource();
    void OnBrowseDest();
    void OnRadio(std::uint8_t sizeType);
    void OnSizeSelected(int index);
    void OnSourceChanged(const QString& text);
    void recompute();
    bool canAct() const override;

    Prompter& prompter_;
    VolumeProbe& volume_;
    SplitSettings settings_;
    QLineEdit* source_;
    QPushButton* browseSource_;
    QLineEdit* dest_;
    QPushButton* browseDest_;
    QButtonGroup* radios_;
    std::array<QRadioButton*, SplitSettings::kRadioCount> radio_{};
    QComboBox* sizeList_;
    QLabel* fileSize_;
    QLabel* count_;
    QListWidget* created_;
};

} // namespace vellum
