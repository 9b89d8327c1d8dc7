#include "device/networkthread.h"

#include "device/network.h"

#include <QThread>

NetworkThread::~NetworkThread() {
    stop();
}

void NetworkThread::start() {
    if (m_thread)
        return;
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("network"));
    Network *network = Network::getInstance();
    network->moveToThread(m_thread);
    m_thread->start();
    QMetaObject::invokeMethod(network, &Network::onRun, Qt::QueuedConnection);
}

void NetworkThread::stop() {
    if (!m_thread)
        return;
    Network::getInstance()->stopThreads();
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}
