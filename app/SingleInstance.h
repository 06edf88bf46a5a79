#pragma once
// One Vellum per user, reachable by a local socket named for the user. A
// second start asks the first to come forward and, when it was given an
// image file, to open it.
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace vellum {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // "Vellum-" and the user's name.
    static QString defaultName();

    // True when a running Vellum answers under the name.
    static bool isRunning(const QString& name = defaultName());
    // Asks the running Vellum to come forward and open the path (none when empty).
    static bool handOver(const QString& path, const QString& name = defaultName());

    // Starts answering; false when another instance already does.
    bool listen();

signals:
    void activationRequested();
    void openRequested(const QString& path);

private:
    void readRequest();
    void serve(QLocalSocket* socket);

    QString name_;
    QLocalServer* server_;
};

} // namespace vellum
