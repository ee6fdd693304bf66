#pragma once

#include <string>
#include <string_view>

namespace dovrex {

// The customer of the meters that follow a "CUS" record. The address and name parts
// are always 20 characters wide, so that they can be joined and taken apart by column.
struct MVRSCustomer {
    static constexpr size_t PartWidth = 20;

    std::string Address1 = Blank();
    std::string Address2 = Blank();
    std::string Address3 = Blank();
    std::string Name = Blank();
    std::string Name2 = Blank();
    std::string Account;
    std::string UtilityID;
    std::string GroupCode;
    std::string ExtraIndicator;
    std::string SegmentCode;
    std::string PassThru;
    std::string CustomerInfo;

    // Back to a customer with no values, keeping the texts' storage for the next customer.
    void Reset() {
        for (std::string* part : {&Address1, &Address2, &Address3, &Name, &Name2}) part->assign(PartWidth, ' ');
        for (std::string* text : {&Account, &UtilityID, &GroupCode, &ExtraIndicator, &SegmentCode, &PassThru,
                                  &CustomerInfo}) {
            text->clear();
        }
    }
    // A text cut or padded with blanks to the part width, in place.
    static void AssignPart(std::string& part, std::string_view text) {
        part.assign(text.substr(0, PartWidth));
        part.resize(PartWidth, ' ');
    }
    // A text cut or padded with blanks to the part width.
    static std::string Part(std::string text) {
        text.resize(PartWidth, ' ');
        return text;
    }
    static std::string Blank() { return std::string(PartWidth, ' '); }
};

} // namespace dovrex
