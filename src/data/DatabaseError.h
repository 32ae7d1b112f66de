#pragma once
// The failure of the database itself: a connection that cannot be opened, a statement that the
// backend rejects, a column that a row does not have. The module's own registry errors are
// TExceptDbManager (authpay/DbManager.h).
#include "authpay/Exception.h"

AUTHPAY_EXCEPTION_CLASS(EDatabaseError, Exception);
