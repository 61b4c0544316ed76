#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstddef>
#include <string>

class QProcess;
class QTimer;

namespace ui {

// One simulator helper process as both clients keep it: started on the first
// line sent, spoken to through QProcess's signals only, each answer awaited
// for a time limit, and never waited for by the window. What a line means,
// and which request is under way, is the client's.
class HelperProcess : public QObject {
    Q_OBJECT

public:
    // `maxLine` bounds an answer line, its "\n" included.
    HelperProcess(QString path, int answerMilliseconds, std::size_t maxLine, QObject* parent);
    ~HelperProcess() override;

    bool Running() const { return process_ != nullptr; }

    // Starts the helper where none runs (which may fail at once, through
    // Failed), then writes the line and starts the time limit.
    void Start();
    void Write(const std::string& line);
    // The time limit begins again for a further answer to the same request.
    void AwaitAnswer();
    void StopWaiting();

    // Lets the helper go. A helper between requests ends at the end of its
    // input; one that is busy, hung or no longer wanted is killed. Either way
    // nothing here waits for it.
    enum class Ending { AtInputEnd, AtOnce };
    void Drop(Ending ending);

signals:
    // One answer line, without its "\n".
    void LineRead(const QByteArray& line);
    // The helper cannot be used any more: it is missing, it missed its time
    // limit, or it wrote a line no answer can be.
    void Failed(const std::string& reason);
    // It ended by itself; `reason` is what that means for a request under way.
    void Ended(const std::string& reason);

private:
    void ReadLines();

    QString path_;
    int answerMilliseconds_;
    std::size_t maxLine_;
    QProcess* process_ = nullptr;
    QTimer* deadline_;
};

}  // namespace ui
