#include "http/CurlShare.h"

#include "http/HTTPErrors.h"

TCurlShare::TCurlShare()
    : FHandle(curl_share_init())
{
    if (!FHandle)
        throw EHTTPTransportError(QStringLiteral("The HTTP transport could not be created"));
    curl_share_setopt(FHandle, CURLSHOPT_LOCKFUNC, &TCurlShare::Lock);
    curl_share_setopt(FHandle, CURLSHOPT_UNLOCKFUNC, &TCurlShare::Unlock);
    curl_share_setopt(FHandle, CURLSHOPT_USERDATA, this);
    for (const curl_lock_data Data :
        { CURL_LOCK_DATA_COOKIE, CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_DNS })
        curl_share_setopt(FHandle, CURLSHOPT_SHARE, Data);
}

TCurlShare::~TCurlShare()
{
    curl_share_cleanup(FHandle);
}

void TCurlShare::Lock(CURL*, curl_lock_data Data, curl_lock_access, void* Self)
{
    static_cast<TCurlShare*>(Self)->FLocks[Data].lock();
}

void TCurlShare::Unlock(CURL*, curl_lock_data Data, void* Self)
{
    static_cast<TCurlShare*>(Self)->FLocks[Data].unlock();
}
