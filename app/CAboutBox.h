#pragma once
// The About box: the program's name, version and licence, the machine's memory and
// the free space where Vellum works, and a button to the maker's web site.
#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace vellum {

class Prompter;

class CAboutBox : public QDialog {
    Q_OBJECT
public:
    CAboutBox(Prompter& prompter, QWidget* parent = nullptr);

    static QString memoryText(std::uint64_t bytes);
    static QString freeSpaceText(std::optional<std::uint64_t> bytes, const QString& where);
    // The machine's physical memory; nothing when the system will not tell.
    static std::optional<std::uint64_t> physicalMemory();
    static std::optional<std::uint64_t> freeSpace(const std::filesystem::path& where);

    using Launcher = std::function<bool()>;
    // Asks first; tries the desktop's browser, then the fallback, and tells
    // the user to go by hand when neither starts.
    static void visitWebSite(Prompter& prompter, const Launcher& browser, const Launcher& fallback);

private slots:
    void visitWebSite();

private:
    Prompter& prompter_;
};

} // namespace vellum
