// SignedInAccount: what the tray windows show of the signed-in account (the
// sign-in window owns it). GUI thread only.
#pragma once

#include <QString>

class SignedInAccount {
public:
    virtual ~SignedInAccount() = default;
    virtual bool isSignedIn() const = 0;
    virtual QString userId() const = 0;
    // The phone number, or the e-mail address of an account without one.
    virtual QString account() const = 0;
};
