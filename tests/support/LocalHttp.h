#pragma once

#include "containers/Exception.h"

#include <QByteArray>
#include <QList>

HARVO_DECLARE_EXCEPTION(ELocalHttpError, Exception)

// True when a TCP connection to 127.0.0.1:Port is accepted.
bool LocalPortAccepts(quint16 Port);

struct LocalHttpReply {
    int Status = 0;
    QByteArray Head; // status line and header lines, CR LF separated
    QByteArray Body; // as sent: still compressed when the server compressed it

    // The value of the first header named Name (any case), or empty.
    QByteArray Header(const QByteArray& Name) const;
};

// A bare HTTP/1.0 GET of Target ("/a.html?x=1") from 127.0.0.1:Port, for
// checking what a test server sends without any client logic in between.
// ExtraHeaders are whole lines without CR LF. The reply is read until the
// server closes; a reply that takes longer than TimeoutMs raises.
LocalHttpReply LocalHttpGet(
    quint16 Port, const QByteArray& Target, const QList<QByteArray>& ExtraHeaders = {}, int TimeoutMs = 5000);
