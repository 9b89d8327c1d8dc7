// PowerNotes: tells the main window when the machine is about to sleep and
// when it has woken up, so that both land in the log. Windows: the
// WM_POWERBROADCAST messages of the application (PBT_APMSUSPEND 4,
// PBT_APMRESUMEAUTOMATIC 18). Elsewhere: logind's PrepareForSleep signal on
// the system bus; without a system bus or logind there are no notes (logged once).
//
// Created, used and destroyed on the GUI thread.
#pragma once

#include <memory>
#include <QObject>

class PowerNotes : public QObject {
    Q_OBJECT
public:
    explicit PowerNotes(QObject *parent = nullptr);
    ~PowerNotes() override;

signals:
    void sleeping();
    void wokeUp();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
