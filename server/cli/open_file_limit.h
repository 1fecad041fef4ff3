#pragma once
// Each open connection holds a file descriptor, and so does each database
// connection; the process's limit (ulimit -n) must leave room for all of them.

namespace totem::server {

// Raises the process's soft limit on open files up to its hard limit as far
// as maxConnections needs, and returns the connections that fit under it:
// maxConnections, or fewer (said in the log) when the hard limit is lower.
int FitConnectionsToOpenFileLimit(int maxConnections, int workers);

}  // namespace totem::server
