# Puts the style, the scripts and the module into the page, so that one file holds it all: a page
# opened from disk may not load other files. The module and the worker's script stand as text that
# the page makes its worker of.
file(READ ${PAGE} page)
file(READ ${STYLE} style)
file(READ ${MODULE} module)
file(READ ${SCRIPT} script)
file(READ ${ERRORS} errors)
file(READ ${WORKER} worker)
# Inside a script element, "</" would end it early.
string(REPLACE "</" "<\\/" module "${module}")
string(REPLACE "</" "<\\/" script "${script}")
string(REPLACE "</" "<\\/" errors "${errors}")
string(REPLACE "</" "<\\/" worker "${worker}")
string(REPLACE "/* style */" "${style}" page "${page}")
string(REPLACE "/* errors */" "${errors}" page "${page}")
string(REPLACE "/* worker */" "${worker}" page "${page}")
string(REPLACE "/* module */" "${module}" page "${page}")
string(REPLACE "/* script */" "${script}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
