// Keeps zuvo_logic a valid library while a part has no sources yet.
