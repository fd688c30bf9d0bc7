// Loading and saving a PropertyTree as an XML file.
//
// Load keeps element names, every attribute, the text of an element whose
// first child is text, and child elements in order; comments, declarations
// and other markup are dropped. Save writes attributes in name order, then
// the first word of the text, then the children, under a version "1.0"
// declaration. File names go through toFsPath before they reach the disk.
#pragma once

#include "document/property_tree.h"

#include <memory>
#include <string>

// Parses file and, on success, replaces the tree in slot. On failure (file
// missing, no regular file, larger than kMaxScriptBytes, empty, not
// well-formed XML, or nested deeper than kMaxXmlDepth)
// returns false and leaves slot exactly as it was. A document without
// elements loads as an empty root. Bytes are kept as they are (narrow code
// page); only a file starting with a UTF-8 byte-order mark is read as UTF-8.
bool loadTree(std::unique_ptr<PropertyTree>& slot, const std::string& file);

// Why a load failed: TinyXML's own description with its 1-based row and
// column, or a reason of ours (line 0) for text nested too deep.
struct XmlLoadError {
    std::string message;
    int line = 0;
    int column = 0;
};

// As loadTree, for the bytes of a file already read (raw, as on disk).
// Every node carries the row and column of its element (tabs count as one
// column). error, when given, says why a load failed.
bool loadTreeFromBytes(std::unique_ptr<PropertyTree>& slot, const std::string& bytes, XmlLoadError* error = nullptr);

// Receives, one at a time, the children of the list elements that
// loadTreeStreaming streams.
class TreeSink {
public:
    virtual ~TreeSink() = default;
    // Forget every child received so far: the load starts over.
    virtual void restart() = 0;
    // The next child, whole; it lives only for the call.
    virtual void child(const PropertyTree& node) = 0;
};

// As loadTree, but the children of each child of the root named listName go
// to sink in document order instead of into the tree (the list element stays
// in slot with its attributes and no children), so a long list is never in
// memory at once: the file is read in pieces. Succeeds and fails exactly as
// loadTree does. Nodes carry no row and column.
bool loadTreeStreaming(std::unique_ptr<PropertyTree>& slot, const std::string& file, const std::string& listName,
                       TreeSink& sink);

// Writes root to file. The text goes to a new temporary file beside it, which
// replaces file only once it is complete, so a failed save keeps the old file
// and two saves at once each leave a whole file (see replaceFile).
bool saveTree(const PropertyTree& root, const std::string& file);
