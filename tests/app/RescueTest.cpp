// Diskette > Rescue on a virtual 1.44 MB diskette whose file holds a sector
// that never reads: the grid, the file list and the status panel say so, and
// the map is written; a second rescue with that map reads only that sector.
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

#include "app/CMainFrame.h"
#include "app/CVLMView.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "app/StatusStrip.h"
#include "appmodel/ViewCommands.h"
#include "core/DirectoryEntry.h"
#include "core/ImageFile.h"
#include "core/ui/OperationRunner.h"
#include "drive/MediumFaults.h"
#include "core/UnreadableSector.h"
#include "ops/ui/CRescueDlg.h"
#include "ops/ui/CRescueGrid.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

namespace {

constexpr std::uint32_t kSectors144 = 2880;

struct BadSector {
    std::uint32_t sector = 0;
    QString file;
};

// Drive A holds the sample with the first sector of its first file bad.
BadSector insertDamagedDiskette(World& world)
{
    const std::string disk = world.path("damaged.img").toStdString();
    CVLMDoc& doc = *world.doc;
    if (!ImageFile(doc, world.prompter).open(VELLUM_SAMPLE) || doc.geometry.totalSectors != kSectors144)
        return {};
    BadSector bad;
    const DriveGeometry& g = doc.geometry;
    for (const ListingRecord& r : doc.directory.listing) {
        if ((r.attributes & dirent::kDirectory) || r.size == 0)
            continue;
        const std::uint8_t* entry = doc.directory.copy.data() + r.slot * kDirEntrySize;
        const std::uint32_t cluster = entry[dirent::kFirstClusterOffset] | entry[dirent::kFirstClusterOffset + 1] << 8;
        bad.sector = g.reservedSectors + g.numberOfFats * g.sectorsPerFat + g.rootEntries * kDirEntrySize / g.bytesPerSector +
                     (cluster - 2) * g.sectorsPerCluster;
        bad.file = QString::fromStdString(r.longName).trimmed();
        break;
    }
    if (!ImageFile(doc, world.prompter).save(disk, {}))
        return {};
    doc.ImageEmpty = 1;
    const std::uint32_t track = bad.sector / g.sectorsPerTrack;
    QFile faults(QString::fromStdString(MediumFaults::fileOf(disk).string()));
    if (!faults.open(QIODevice::WriteOnly))
        return {};
    faults.write(QStringLiteral("%1 %2 %3 bad\n")
                     .arg(track / kHeads)
                     .arg(track % kHeads)
                     .arg(bad.sector % g.sectorsPerTrack + 1)
                     .toLatin1());
    faults.close();
    world.drives->virtualDrives().insert(0, disk);
    return bad;
}

QString lastStatus(CVLMView& view)
{
    return view.findChildren<StatusStrip*>().last()->text(1);
}

CRescueGrid* rescueGrid()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* grid = qobject_cast<CRescueGrid*>(w))
            return grid;
    return nullptr;
}

// Diskette > Rescue with that map file and the dialog's other choices as they are.
void rescue(CVLMView& view, const QString& map)
{
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CRescueDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QSpinBox*>()->value(), 3);
        dialog->findChild<QLineEdit*>()->setText(map);
        dialog->accept();
    });
    view.run(kCmdRescue);
    waitIdle(view.runner());
    drainEvents();
}

} // namespace

class RescueTest : public QObject {
    Q_OBJECT

private slots:
    void aBadSectorShowsOnTheGridTheListAndTheStatusAndASecondRescueReadsIt()
    {
        World world;
        const BadSector bad = insertDamagedDiskette(world);
        QVERIFY(!bad.file.isEmpty());
        RecordingShell shell;
        CMainFrame frame(*world.doc, world.profile, world.prompter, *world.drives, shell);
        frame.show();
        CVLMView& view = frame.view();
        const QString map = world.path("rescue.map");
        rescue(view, map);

        CRescueGrid* grid = rescueGrid();
        QVERIFY(grid);
        QCOMPARE(grid->state(bad.sector), SectorState::Bad);
        QCOMPARE(grid->state(bad.sector + 1), SectorState::Read);
        QCOMPARE(grid->passText(), QString("Pass 3 of 3"));

        auto* model = qobject_cast<FileListModel*>(view.findChild<FileListView*>()->model());
        const int row = model->rowNamed(bad.file);
        QVERIFY(row >= 0);
        const std::uint32_t track = bad.sector / world.doc->geometry.sectorsPerTrack;
        const QString place = QStringLiteral("cylinder %1, head %2, sector %3")
                                  .arg(track / kHeads)
                                  .arg(track % kHeads)
                                  .arg(bad.sector % world.doc->geometry.sectorsPerTrack + 1);
        const QString tip = model->data(model->index(row, 0), Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(place), qPrintable(tip));

        QCOMPARE(lastStatus(view), QString("  Last Operation Status:    Unsuccessful - 1 bad sector"));
        QVERIFY(QFile::exists(map));

        // The mark stays with the file under its new name.
        view.fileList().selectRow(row);
        view.run(kCmdRenameFile);
        QVERIFY(model->setData(model->index(row, 0), "Renamed.txt", Qt::EditRole));
        drainEvents();
        const int renamed = model->rowNamed("Renamed.txt");
        QVERIFY(renamed >= 0);
        QCOMPARE(model->damageOf(renamed), tip);

        // The bad sector reads now, and a sector the map calls read has changed
        // on the diskette: going on reads the one and keeps the other.
        const std::string disk = world.path("damaged.img").toStdString();
        QVERIFY(QFile::remove(QString::fromStdString(MediumFaults::fileOf(disk).string())));
        const std::size_t kept = (bad.sector + 1) * kSectorBytes;
        const std::uint8_t before = world.doc->image()[kept];
        QFile file(QString::fromStdString(disk));
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(static_cast<qint64>(kept)));
        QVERIFY(file.putChar(static_cast<char>(before ^ 0xFF)));
        file.close();
        world.prompter
            .expectStart("The map file holds an earlier rescue: 2,879 sectors read, 1 still to read.", Icon::Question,
                         Answer::Yes)
            .expectStart("The image in memory holds changes", Icon::Question, Answer::No);
        rescue(view, map);

        QCOMPARE(lastStatus(view), QString("  Last Operation Status:    Successful"));
        QCOMPARE(world.doc->image()[kept], before);
        QVERIFY(world.doc->image()[bad.sector * kSectorBytes] != static_cast<std::uint8_t>(UnreadableSector::kMarker[0]));
        QVERIFY(model->damageOf(model->rowNamed("Renamed.txt")).isEmpty());
        VERIFY_NO_PROBLEMS(world.prompter);
    }
};

QTEST_MAIN(RescueTest)
#include "RescueTest.moc"
