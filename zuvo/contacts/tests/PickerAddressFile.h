#pragma once

// The address.xml of the recipient picker's tests, in GBK as stored: two
// books, "公共地址薄" with folders "默认" (张三 333 甲公司, 李四 111,
// 王五 222 乙公司) and "客户" (赵六 444), and "个人地址薄" with "默认"
// (孙七 111 丙公司: a number the first folder has too).

#include <string>

#include "core/TextUtil.h"

namespace pickerfixture {

inline std::string card(const std::string& name, const std::string& fax, const std::string& company = "")
{
    return "<Address Name=\"" + name + "\" FaxNum=\"" + fax + "\"" +
           (company.empty() ? "" : " CompanyName=\"" + company + "\"") + "/>";
}

inline std::string addressFile()
{
    return ToGbk("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config><Headers/>"
                 "<AddressBook Name=\"公共地址薄\"><Folder Name=\"默认\">" +
                 card("张三", "333", "甲公司") + card("李四", "111") + card("王五", "222", "乙公司") +
                 "</Folder><Folder Name=\"客户\">" + card("赵六", "444") +
                 "</Folder></AddressBook><AddressBook Name=\"个人地址薄\"><Folder Name=\"默认\">" +
                 card("孙七", "111", "丙公司") + "</Folder></AddressBook></Config>\n");
}

} // namespace pickerfixture
