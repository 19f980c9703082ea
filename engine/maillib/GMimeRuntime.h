#pragma once
// GMime's one-time set-up (charset tables, default options), done on first
// use by whichever part of the library needs GMime first.

void EnsureGMimeInitialized();
