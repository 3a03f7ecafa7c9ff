#!/usr/bin/env python3
"""Independent reader for the Config tests.

Usage: etree_values.py FILE QUERY...
A QUERY is a path of steps "Name" or "Name[n]" (n from 0 among the parent's
children of that name) from the root element, optionally followed by
"@Attribute". Prints one line per query: the UTF-8 hex of the attribute value
or of the element's whitespace-trimmed text, or "-" when absent. A file
declared GB2312 is decoded as GBK (what the program writes) and handed to the
parser relabelled UTF-8, as expat reads no multi-byte legacy encoding.
"""
import re
import sys
import xml.etree.ElementTree as ET

STEP = re.compile(r"^([^\[\]/]+)(?:\[(\d+)\])?$")


def select(root, path):
    nodes = [root]
    for step in path.split("/"):
        name, index = STEP.match(step).groups()
        found = []
        for node in nodes:
            children = [child for child in node if child.tag == name]
            if index is not None:
                children = children[int(index):int(index) + 1]
            found.extend(children)
        nodes = found
    return nodes[0] if nodes else None


def main():
    data = open(sys.argv[1], "rb").read()
    if b'encoding="GB2312"' in data[:100]:
        text = data.decode("gbk").replace('encoding="GB2312"', 'encoding="UTF-8"', 1)
        data = text.encode("utf-8")
    root = ET.fromstring(data)
    for query in sys.argv[2:]:
        path, _, attribute = query.partition("@")
        node = select(root, path)
        if node is None:
            value = None
        elif attribute:
            value = node.get(attribute)
        else:
            value = "".join(node.itertext()).strip()
        print("-" if value is None else value.encode("utf-8").hex())


main()
