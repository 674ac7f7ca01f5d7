#pragma once
// At most one running window per user. The first start takes a lock file and
// listens on a local socket named after the window class; a later start finds
// the lock taken, asks the first one to come to the front, and ends.

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // `key` names the instance ("zAZEKolvint#" for the program); the user's name is
  // added so that two users of one machine each get their own.
  explicit SingleInstance(const QString& key, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this process is the first: it then serves activation requests.
  // False when another instance runs; it has been asked to come to the front,
  // and to open `file` when one is given (a flight handed to this start).
  bool claim(const QString& file = {});

  static QString defaultKey();

 signals:
  // Another start asked this instance to come to the front, and to open `file` when not empty.
  void activationRequested(const QString& file);

 private:
  bool tellTheFirstOne(const QString& file);

  QString name_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};
