#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "spindle/VMutex.h"

// One XML file loaded into a document tree, addressed by selection paths
// relative to the document's root element. Every store of the program keeps
// its file in one Config object and reads and writes it only through it.
//
// Paths: "Name(/Name)*" with an optional "[n]" on any step, evaluated from the
// root element (whose own name is not part of the path). "[n]" counts from 0
// among the parent's children of that name: "Account[0]" is the first Account,
// "Account[1]/Folder[0]" the first Folder of the second Account. A step
// without an index selects all children of that name. A null or empty path,
// a negative index, a trailing "/" or a malformed step selects nothing.
//
// Results: 1 for success or found, 0 for failure or not found, unless said
// otherwise. Strings in and out are UTF-8; text outputs are cleared first and
// filled only when found. A write whose name is not an XML name is refused
// with 0. A text (a value, an element's text, the indentation around it) is
// never refused: each character XML 1.0 cannot hold (a control character other
// than tab, line feed and carriage return; U+FFFE, U+FFFF) is stored as a
// space, and each byte that starts no UTF-8 character as U+FFFD, with one log
// line for the value; the rest of the text is kept as it is.
//
// Encoding: a file declared GB2312 or GBK is read as GB18030, its superset,
// and a byte sequence that is still invalid reads as U+FFFD, so one odd pair
// never costs the file. A save keeps the declared encoding when it is GB2312,
// GBK, GB18030 or UTF-8 (GB2312 and GBK written with GB18030's one- and
// two-byte codes, so what was read is written back byte for byte, and a
// character without such a code as a character reference); a GB2312 or GBK
// file with a character GBK lacks where a character reference cannot stand
// (a name, a comment, a processing instruction) is saved as GB18030, the
// same bytes for every GBK character; a file in any other encoding is saved
// as UTF-8 with a UTF-8 declaration. So a saved file always reloads.
//
// Layout: a save keeps the file's own formatting. Every text node is kept,
// the indentation too; an empty element is written as it was read (<a></a>
// or <a/>; new ones as <a/>), and the file keeps its line ends (CR LF or LF)
// and its declaration line. Text nodes of white space only are not children
// of the cursor walk (unless inside xml:space="preserve"), so its counts and
// indexes see the elements only. The before/after texts of the add
// operations are how new elements get indented; their line ends, in any
// form, are written as the file's.
//
// Errors: reading or writing a Config that has no document (never opened, or
// its open failed) throws ConfigError, as does goParent() above the document.
// Callers test isOpen() before touching a document that may not have opened.
//
// Threads: every operation holds the object's re-entrant lock for its
// duration. The last added node and the cursor belong to the object, so
// threads sharing a Config serialise whole sequences (for example
// setCurNode + goChild + getAttr) under a lock of their own.

// The error a Config raises where a use is invalid, not merely "not found".
class ConfigError : public std::runtime_error {
public:
    enum class Code {
        NoDocument,  // an operation that needs the document before a successful open
        NoParent,    // goParent() from the document node
        OutOfMemory, // the tree could not be grown
    };

    ConfigError(Code code, const std::string& what) : std::runtime_error(what), code_(code) {}
    Code code() const noexcept { return code_; }

private:
    Code code_;
};

class Config {
public:
    Config();
    ~Config();
    Config(const Config&) = delete;
    Config& operator=(const Config&) = delete;

    // Prepares the XML library for this process (once; safe to call again).
    // Returns 1. The constructor calls it.
    int initCOM();
    // Kept for symmetry with initCOM(); does nothing.
    void deInitCOM();

    // Loads file. 1: the document, its root and the path are taken and the
    // cursor and last added nodes are cleared. 0 for every failure (a missing
    // or malformed file, a directory, pipe or device under the name, a read
    // error, a file over 2 GiB): the object stays as it was. Never throws for
    // the file's sake; a pipe is not waited on.
    int open(const char* file);
    // Loads the opened file again. 1 on success; 0 when not open or when the
    // file no longer parses, in which case the old document stays in use.
    int reload();
    // Writes the document to file (see Encoding and Layout above), through a
    // temporary file in the same directory that is renamed over the target.
    // 1 when written; 0 when not (the old file is then left untouched) or when
    // there is no document.
    int save(const char* file);
    // save(path of the last successful open); 0 when never opened.
    int save();
    int isOpen();

    // Number of nodes that path selects; 0 if none.
    int getNodeCnt(const char* path);

    // Text of the first node that path selects, trimmed of leading and
    // trailing white space (untrimmed inside xml:space="preserve").
    int getNodeText(const char* path, std::string& out);
    // The same for item index (from 0) of the nodes that path selects.
    int getNodeText(const char* path, int index, std::string& out);
    // The text read as a decimal number (leading digits, like atoi); 0 when absent.
    int getNodeTextInt(const char* path);
    // Replaces the content of the node at path with text.
    int setNodeText(const char* path, const char* text);

    // Attribute names compare ignoring letter case everywhere.
    int getNodeAttr(const char* path, const char* name, std::string& out);
    int getNodeAttr(const char* path, int index, const char* name, std::string& out);
    // The value, or "" when the node or the attribute is absent.
    std::string getNodeAttr(const char* path, const char* name);
    // Reads the attributes names of every node that path selects, in one
    // walk of the document (where a loop over getNodeAttr(path, index, ...)
    // walks again for each item): rows gets one row per node in document
    // order, each with one value per name in the order of names, "" where
    // the node lacks the attribute. Returns the number of rows; 0, with rows
    // empty, when path selects nothing.
    int getNodesAttr(const char* path, const std::vector<std::string>& names,
                     std::vector<std::vector<std::string>>& rows);
    // A node read with its children: one value per name asked for, nullopt
    // where the node lacks that attribute; the same for each child.
    struct NodeAttributes {
        std::vector<std::optional<std::string>> values;
        std::vector<std::vector<std::optional<std::string>>> children;
    };
    // The same walk for records that carry children: every node that path
    // selects, in document order, with the attributes names, and with the
    // attributes childNames of each node that childPath selects from it (in
    // document order). Returns the number of nodes read: at most limit;
    // 0, with nodes empty, when path selects nothing.
    int getNodesWithChildren(const char* path, const std::vector<std::string>& names, const char* childPath,
                             const std::vector<std::string>& childNames, std::vector<NodeAttributes>& nodes,
                             std::size_t limit = static_cast<std::size_t>(-1));
    int getNodeAttrInt(const char* path, const char* name);
    long getNodeAttrLong(const char* path, const char* name);
    int hasNodeAttr(const char* path, const char* name);
    // Changes an attribute that already exists; creates nothing (0 when absent).
    int setNodeAttr(const char* path, const char* name, const char* value);

    // Appends a new element name (with text unless empty) under the node at
    // parent (null parent: the root), with a text node before and after it
    // when those are non-empty. The element becomes the last added node.
    int addNode(const char* parent, const char* name, const char* text, const char* before,
                const char* after);
    // The same under the last added node, which the new element replaces as
    // the last added node; 0 without a last added node.
    int addNode(const char* name, const char* text, const char* before, const char* after);
    // The same under the last added node; the new element becomes the last
    // added child; 0 without a last added node.
    int addChild(const char* name, const char* text, const char* before, const char* after);
    // Like addNode(parent, ...), but the element (with its before/after texts)
    // goes before the node that refPath selects from the root when that node
    // is a child of the parent; otherwise at the end of the parent.
    int insertNode(const char* parent, const char* name, const char* text, const char* before,
                   const char* after, const char* refPath);
    // Sets name = value on the last added node / last added child / the node
    // at path (an attribute of the same name in any case is replaced).
    int addNodeAttr(const char* name, const char* value);
    int addChildAttr(const char* name, const char* value);
    int addNodeAttr(const char* path, const char* name, const char* value);
    // Gives the node at path an attribute name with an empty value (an
    // existing one of the same name in any case is replaced).
    int createNodeAttr(const char* path, const char* name);

    // Removes the node at path from its parent.
    int removeNode(const char* path);
    // Removes every child of the node at path (null path: of the root).
    int removeAllChild(const char* path);

    // Cursor walk. The cursor's children are its child elements and its text
    // nodes that are not white space only (all text inside
    // xml:space="preserve"); comments are skipped. They are read live.
    int setCurNode(const char* path);
    // Moves to child index (from 0) of the cursor; 0 without a cursor or when
    // the index is out of range.
    int goChild(int index);
    // Moves to the first node path selects from the cursor; 0 without a cursor.
    int goChild(const char* path);
    // Moves to the cursor's parent; 0 without a cursor. From the root element
    // the cursor moves to the document node; above it throws ConfigError.
    int goParent();
    // Attribute name of the cursor node.
    int getAttr(const char* name, std::string& out);
    // Number of cursor children; -1 without a cursor.
    int getChildNum();

private:
    struct State;
    Spindle::VMutex mutex_;
    std::unique_ptr<State> state_;
};
