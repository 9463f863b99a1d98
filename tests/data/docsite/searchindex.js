Search.setIndex({"docnames": ["user-guide/index", "about"], "titles": ["User guide", "About"]});
