#pragma once
// How an operation that can fail ended: done, stopped by the user (or a host's Cancel), or failed
// with a sentence for the user. The one result of the module's data and report operations and of
// the outputs a host asks for; `code` carries a layer's finer reason where it has one (an
// export's TXlsResult), else 0.
#include <QString>
#include <utility>

namespace authpay {

struct Outcome {
    enum Status { Done, Cancelled, Failed } status = Failed;
    QString message;  // empty when done or cancelled
    int code = 0;
    QString file;  // the file an output wrote, when done

    bool Ok() const { return status == Done; }
    bool Stopped() const { return status == Cancelled; }
    static Outcome Success(int code = 0) { return {Done, QString(), code, QString()}; }
    static Outcome Stop(int code = 0) { return {Cancelled, QString(), code, QString()}; }
    static Outcome Failure(QString message, int code = 0) { return {Failed, std::move(message), code, QString()}; }
};

}  // namespace authpay
