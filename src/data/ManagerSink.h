#pragma once
// A connection attached to its manager: the connection's statements go to the manager's trace and
// its failures become the manager's last error, for as long as the manager lives.
class TAdoConn;
class TDbManager;

void AttachToManager(TAdoConn *connection, TDbManager *manager);
