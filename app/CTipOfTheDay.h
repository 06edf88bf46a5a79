#pragma once
// The Tip of the Day window: one tip at a time from the tips file, "&Next
// Tip" for another, and the choice whether it opens when Vellum starts.
#include <QDialog>
#include <filesystem>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace vellum {

class Profile;
class TipFile;

class CTipOfTheDay : public QDialog {
    Q_OBJECT
public:
    CTipOfTheDay(const std::filesystem::path& tipsFile, Profile& profile, QWidget* parent = nullptr);
    ~CTipOfTheDay() override;

    // tips.txt beside the program, else in the data folders.
    static std::filesystem::path defaultTipsFile();

    QString tipText() const;

public slots:
    void showNextTip();
    void accept() override;

private:
    QWidget* makeTipPanel();

    Profile& profile_;
    std::unique_ptr<TipFile> tips_;
    QLabel* tip_;
    QCheckBox* showAtStartUp_;
    QPushButton* next_;
};

} // namespace vellum
