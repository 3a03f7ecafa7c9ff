// Keeps zuvo_qt a valid library while a part has no sources yet.
