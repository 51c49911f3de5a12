#pragma once

#include <QString>

class BlockingFetch;

// Blocking HTTP GET returning the body as text (the window's transfer control).
// Bodies in a Chinese encoding come back as matching characters. Any failure
// (time-out, refused connection, error status, oversized body) gives empty text.
class WebFetcher
{
public:
    explicit WebFetcher(BlockingFetch *fetch) : m_fetch(fetch) {}

    // Whole seconds, set by every caller right before its fetches.
    void setRequestTimeout(int seconds) { m_requestTimeout = seconds; }
    int RequestTimeout() const { return m_requestTimeout; }

    QString OpenURL(const QString &url);

private:
    BlockingFetch *m_fetch;
    int m_requestTimeout = 60;
};
