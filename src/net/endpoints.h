// Where the online services go: the maker's server and its two paths. Tests point
// the program at a server of their own through the environment:
//   KVS_SERVER=<http://host[:port]>   replaces kServerAddress
//   KVS_TEST_NET_TIMEOUT_MS=<n>       replaces kNetTimeoutMs (1 .. 600000)
#pragma once

// The maker's host. It lies in a reserved domain until the server is published, so
// that a build nobody configured never sends a user's feedback (with an e-mail
// address) to a stranger's host; set it to the published server before shipping.
constexpr char kServerAddress[] = "http://www.pellor.example";
constexpr char kVersionFilePath[] = "/pellor/kvsfb/latest.txt";
constexpr char kFeedbackPath[] = "/pellor/kvsfb/feedback.php?data=";

// Connect, send and receive time-outs of each request, in milliseconds.
constexpr unsigned kNetTimeoutMs = 15000;

// The server address in use, without a trailing "/" (at most 255 characters).
const char* ServerAddress();
unsigned NetTimeoutMs();

// Writes server address + `path` into `out`; returns its length, or -1 when it does
// not fit `capacity`.
int BuildServerUrl(const char* path, char* out, int capacity);
