#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#ifdef _WIN32
// After Qt's headers, and without the min and max macros that would break later ones.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace {

QString UserName() {
  QString user = qEnvironmentVariable("USER");
  if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
  return user;
}

}  // namespace

QString SingleInstance::defaultKey() {
  // Tests run the program beside a developer's own copy; they pick another key.
  const QString key = qEnvironmentVariable("DEVIRARAV_INSTANCE_KEY");
  return key.isEmpty() ? QStringLiteral("zAZEKolvint#") : key;
}

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent) {
  // Socket names must be plain; the hash keeps "#" and any user name out of the path.
  const QByteArray id = (key + QLatin1Char('-') + UserName()).toUtf8();
  name_ = QStringLiteral("devirarav-") +
          QString::fromLatin1(QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex().left(16));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(const QString& file) {
  lock_ = std::make_unique<QLockFile>(QDir::temp().absoluteFilePath(name_ + QStringLiteral(".lock")));
  lock_->setStaleLockTime(0);  // a lock left by a crashed instance is stale once its process is gone
  if (!lock_->tryLock(0)) {
    lock_.reset();
    tellTheFirstOne(file);
    return false;
  }
  // Holding the lock makes us the first: a socket left behind by a crash is ours to replace.
  QLocalServer::removeServer(name_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      // The request is whole once the other start has hung up: "activate", or "open" and a file.
      connect(s, &QLocalSocket::readyRead, s, [s] { s->setProperty("request", s->property("request").toByteArray() + s->readAll()); });
      connect(s, &QLocalSocket::disconnected, this, [this, s] {
        const QByteArray request = s->property("request").toByteArray() + s->readAll();
        s->deleteLater();
        const QByteArray open("open\n");
        emit activationRequested(request.startsWith(open) ? QString::fromUtf8(request.mid(open.size())) : QString());
      });
    }
  });
  server_->listen(name_);
  return true;
}

bool SingleInstance::tellTheFirstOne(const QString& file) {
#ifdef _WIN32
  // Windows lets only the process in front give the front away: this start is
  // that process (the user just ran it), so it lets the first one take its place,
  // which would otherwise only flash in the task bar.
  AllowSetForegroundWindow(ASFW_ANY);
#endif
  // The first instance may still be starting: it holds the lock before it listens.
  const QDeadlineTimer deadline(3000);
  while (!deadline.hasExpired()) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(200)) {
      socket.write(file.isEmpty() ? QByteArray("activate") : "open\n" + file.toUtf8());
      socket.waitForBytesWritten(1000);
      socket.disconnectFromServer();
      return true;
    }
    QThread::msleep(50);
  }
  return false;
}
