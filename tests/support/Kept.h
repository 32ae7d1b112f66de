#pragma once
// An outcome's reason kept where a test prints it when an assertion fails.
#include "authpay/Outcome.h"

inline bool Kept(const authpay::Outcome &outcome, QString *reason) {
    *reason = outcome.message;
    return outcome.Ok();
}

inline authpay::Outcome::Status KeptStatus(const authpay::Outcome &outcome, QString *reason) {
    *reason = outcome.message;
    return outcome.status;
}
